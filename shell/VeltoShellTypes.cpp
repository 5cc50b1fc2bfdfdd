// The names and CSIDLs of the special folders, and matching a text against the names.
#include "VeltoShellTypes.h"

#include <array>

namespace {

struct TSpecialFolderInfo {
    std::string_view Name;
    int CSIDL;
};

// In ordinal order; CSIDL 0x0C to 0x0F and 0x1C have no literal.
constexpr std::array<TSpecialFolderInfo, VeltoSpecialFolderCount> SpecialFolders = {{
    {"sfDesktop", CSIDL_DESKTOP},
    {"sfInternet", CSIDL_INTERNET},
    {"sfPrograms", CSIDL_PROGRAMS},
    {"sfControls", CSIDL_CONTROLS},
    {"sfPrinters", CSIDL_PRINTERS},
    {"sfPersonal", CSIDL_PERSONAL},
    {"sfFavorites", CSIDL_FAVORITES},
    {"sfStartUp", CSIDL_STARTUP},
    {"sfRecent", CSIDL_RECENT},
    {"sfSendTo", CSIDL_SENDTO},
    {"sfBitBucket", CSIDL_BITBUCKET},
    {"sfStartMenu", CSIDL_STARTMENU},
    {"sfDesktopDirectory", CSIDL_DESKTOPDIRECTORY},
    {"sfDrives", CSIDL_DRIVES},
    {"sfNetWork", CSIDL_NETWORK},
    {"sfNetHood", CSIDL_NETHOOD},
    {"sfFonts", CSIDL_FONTS},
    {"sfTemplates", CSIDL_TEMPLATES},
    {"sfCommonStartMenu", CSIDL_COMMON_STARTMENU},
    {"sfCommonPrograms", CSIDL_COMMON_PROGRAMS},
    {"sfCommonStartUp", CSIDL_COMMON_STARTUP},
    {"sfCommonDesktopDirectory", CSIDL_COMMON_DESKTOPDIRECTORY},
    {"sfAppData", CSIDL_APPDATA},
    {"sfPrintHood", CSIDL_PRINTHOOD},
    {"sfAltStartUp", CSIDL_ALTSTARTUP},
    {"sfCommonAltStartUp", CSIDL_COMMON_ALTSTARTUP},
    {"sfCommonFavorites", CSIDL_COMMON_FAVORITES},
    {"sfInternetCache", CSIDL_INTERNET_CACHE},
    {"sfCookies", CSIDL_COOKIES},
    {"sfHistory", CSIDL_HISTORY},
}};

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

const TSpecialFolderInfo& InfoOf(TVeltoSpecialFolder folder)
{
    return SpecialFolders[static_cast<std::size_t>(folder)];
}

}  // namespace

std::string_view SpecialFolderName(TVeltoSpecialFolder folder) { return InfoOf(folder).Name; }

int SpecialFolderCSIDL(TVeltoSpecialFolder folder) { return InfoOf(folder).CSIDL; }

std::optional<TVeltoSpecialFolder> SpecialFolderByName(std::string_view text)
{
    for (std::size_t i = 0; i < SpecialFolders.size(); ++i)
        if (SameTextAscii(text, SpecialFolders[i].Name))
            return static_cast<TVeltoSpecialFolder>(i);
    return std::nullopt;
}
