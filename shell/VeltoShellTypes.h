// The types the shell components share: special folders, object-type sets, root folders, PIDL arrays.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A special folder of the shell. The literals follow the CSIDL order but skip the values that have
// no literal, so an ordinal is not its CSIDL: use SpecialFolderCSIDL.
enum class TVeltoSpecialFolder : std::uint8_t {
    sfDesktop,
    sfInternet,
    sfPrograms,
    sfControls,
    sfPrinters,
    sfPersonal,
    sfFavorites,
    sfStartUp,
    sfRecent,
    sfSendTo,
    sfBitBucket,
    sfStartMenu,
    sfDesktopDirectory,
    sfDrives,
    sfNetWork,
    sfNetHood,
    sfFonts,
    sfTemplates,
    sfCommonStartMenu,
    sfCommonPrograms,
    sfCommonStartUp,
    sfCommonDesktopDirectory,
    sfAppData,
    sfPrintHood,
    sfAltStartUp,
    sfCommonAltStartUp,
    sfCommonFavorites,
    sfInternetCache,
    sfCookies,
    sfHistory,
};
inline constexpr std::size_t VeltoSpecialFolderCount = 30;
static_assert(sizeof(TVeltoSpecialFolder) == 1);
static_assert(static_cast<std::size_t>(TVeltoSpecialFolder::sfHistory) + 1 == VeltoSpecialFolderCount);

// The literal's name, spelled as in the code ("sfDrives"): root-folder texts are matched against it.
std::string_view SpecialFolderName(TVeltoSpecialFolder folder);

// The CSIDL by which the shell knows the literal's folder.
int SpecialFolderCSIDL(TVeltoSpecialFolder folder);

// The literal whose name has the text's length and characters, ASCII letters compared without
// regard to case (SFDRIVES names sfDrives); nothing when the text names no literal.
std::optional<TVeltoSpecialFolder> SpecialFolderByName(std::string_view text);

// Which items a folder enumeration yields.
enum class TVeltoShellObjectType : std::uint8_t {
    otFolders,
    otNonFolders,
    otIncludeHidden,
};

// A set of TVeltoShellObjectType in one byte, bit n standing for ordinal n.
class TVeltoShellObjectTypes {
public:
    constexpr TVeltoShellObjectTypes() noexcept = default;
    constexpr TVeltoShellObjectTypes(std::initializer_list<TVeltoShellObjectType> types) noexcept
    {
        for (const TVeltoShellObjectType type : types)
            Include(type);
    }

    constexpr std::uint8_t Bits() const noexcept { return FBits; }
    constexpr bool Empty() const noexcept { return FBits == 0; }
    constexpr bool Contains(TVeltoShellObjectType type) const noexcept { return (FBits & Bit(type)) != 0; }

    constexpr TVeltoShellObjectTypes& Include(TVeltoShellObjectType type) noexcept
    {
        FBits = static_cast<std::uint8_t>(FBits | Bit(type));
        return *this;
    }
    constexpr TVeltoShellObjectTypes& Exclude(TVeltoShellObjectType type) noexcept
    {
        FBits = static_cast<std::uint8_t>(FBits & ~Bit(type));
        return *this;
    }

    // Union, difference and intersection.
    friend constexpr TVeltoShellObjectTypes operator+(TVeltoShellObjectTypes a, TVeltoShellObjectTypes b) noexcept
    {
        return FromBits(static_cast<std::uint8_t>(a.FBits | b.FBits));
    }
    friend constexpr TVeltoShellObjectTypes operator-(TVeltoShellObjectTypes a, TVeltoShellObjectTypes b) noexcept
    {
        return FromBits(static_cast<std::uint8_t>(a.FBits & ~b.FBits));
    }
    friend constexpr TVeltoShellObjectTypes operator*(TVeltoShellObjectTypes a, TVeltoShellObjectTypes b) noexcept
    {
        return FromBits(static_cast<std::uint8_t>(a.FBits & b.FBits));
    }
    friend constexpr bool operator==(TVeltoShellObjectTypes, TVeltoShellObjectTypes) noexcept = default;

private:
    static constexpr std::uint8_t Bit(TVeltoShellObjectType type) noexcept
    {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(type));
    }
    static constexpr TVeltoShellObjectTypes FromBits(std::uint8_t bits) noexcept
    {
        TVeltoShellObjectTypes result;
        result.FBits = bits;
        return result;
    }

    std::uint8_t FBits = 0;
};
static_assert(sizeof(TVeltoShellObjectTypes) == 1);

// The folder a shell tree starts from: the name of a TVeltoSpecialFolder literal or a path. A type of
// its own so that a plain string is never taken for one by accident.
class TVeltoRootFolder {
public:
    TVeltoRootFolder() = default;
    explicit TVeltoRootFolder(std::string text) : FText(std::move(text)) {}

    const std::string& Text() const noexcept { return FText; }

    // Exact, case included: a property setter treats SFDRIVES as a change from sfDrives.
    friend bool operator==(const TVeltoRootFolder&, const TVeltoRootFolder&) = default;

private:
    std::string FText;
};

// PIDLs carried together, for instance the items a context menu is built on. The array does not own
// them: whoever put them in frees them.
using TIDArray = std::vector<LPCITEMIDLIST>;
