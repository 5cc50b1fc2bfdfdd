// Special-folder names and CSIDLs, root-name matching, object-type sets and flag tests.
#include "ShellTestHelpers.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace {

using enum TVeltoSpecialFolder;
using enum TVeltoShellObjectType;

TVeltoSpecialFolder Literal(std::size_t ordinal) { return static_cast<TVeltoSpecialFolder>(ordinal); }

// One row of the special-folder table: the literal keeps its name and CSIDL, and its PIDL is the one
// the shell gives for that CSIDL; both are nil where the shell has no such folder.
void CheckSpecialFolder(TVeltoSpecialFolder literal, const char* name, int csidl)
{
    CAPTURE(name);
    CHECK(SpecialFolderName(literal) == name);
    CHECK(SpecialFolderCSIDL(literal) == csidl);
    TPidl expected;
    SHGetSpecialFolderLocation(nullptr, csidl, expected.put());
    const TPidl ours(GetSpecialFolderIDList(literal));
    CHECK(static_cast<bool>(ours) == static_cast<bool>(expected));
    CHECK(SameIDLists(ours.get(), expected.get()));
}

}  // namespace

TEST_SUITE("TVeltoSpecialFolder") {

TEST_CASE("the literals keep their names in order, and skip CSIDL 0x0C to 0x0F and 0x1C")
{
    std::string names;
    for (std::size_t ordinal = 0; ordinal < VeltoSpecialFolderCount; ++ordinal) {
        names += std::string(SpecialFolderName(Literal(ordinal))) + " ";
        CHECK(SpecialFolderCSIDL(Literal(ordinal)) == int(ordinal < 12 ? ordinal : ordinal < 24 ? ordinal + 4 : ordinal + 5));
    }
    CHECK(names ==
          "sfDesktop sfInternet sfPrograms sfControls sfPrinters sfPersonal sfFavorites sfStartUp sfRecent "
          "sfSendTo sfBitBucket sfStartMenu sfDesktopDirectory sfDrives sfNetWork sfNetHood sfFonts sfTemplates "
          "sfCommonStartMenu sfCommonPrograms sfCommonStartUp sfCommonDesktopDirectory sfAppData sfPrintHood "
          "sfAltStartUp sfCommonAltStartUp sfCommonFavorites sfInternetCache sfCookies sfHistory ");
    CHECK(SpecialFolderCSIDL(sfDesktopDirectory) == CSIDL_DESKTOPDIRECTORY);
    CHECK(SpecialFolderCSIDL(sfAltStartUp) == CSIDL_ALTSTARTUP);
    CHECK(SpecialFolderCSIDL(sfHistory) == CSIDL_HISTORY);
}

TEST_CASE("GetSpecialFolderIDList asks the shell for the literal's CSIDL")
{
    // Both sides are nil where the shell lacks the folder (Wine: 0x1D, 0x1E).
    for (std::size_t ordinal = 0; ordinal < VeltoSpecialFolderCount; ++ordinal) {
        CAPTURE(SpecialFolderName(Literal(ordinal)));
        TPidl expected;
        SHGetSpecialFolderLocation(nullptr, SpecialFolderCSIDL(Literal(ordinal)), expected.put());
        CHECK(SameIDLists(TPidl(GetSpecialFolderIDList(Literal(ordinal))).get(), expected.get()));
    }
    CHECK(TPidl(GetSpecialFolderIDList(sfDrives)));
}

TEST_CASE("each literal names its CSIDL, and GetSpecialFolderIDList gives the shell's PIDL for it")
{
    CheckSpecialFolder(sfDesktop, "sfDesktop", 0x00);
    CheckSpecialFolder(sfInternet, "sfInternet", 0x01);
    CheckSpecialFolder(sfPrograms, "sfPrograms", 0x02);
    CheckSpecialFolder(sfControls, "sfControls", 0x03);
    CheckSpecialFolder(sfPrinters, "sfPrinters", 0x04);
    CheckSpecialFolder(sfPersonal, "sfPersonal", 0x05);
    CheckSpecialFolder(sfFavorites, "sfFavorites", 0x06);
    CheckSpecialFolder(sfStartUp, "sfStartUp", 0x07);
    CheckSpecialFolder(sfRecent, "sfRecent", 0x08);
    CheckSpecialFolder(sfSendTo, "sfSendTo", 0x09);
    CheckSpecialFolder(sfBitBucket, "sfBitBucket", 0x0A);
    CheckSpecialFolder(sfStartMenu, "sfStartMenu", 0x0B);
    CheckSpecialFolder(sfDesktopDirectory, "sfDesktopDirectory", 0x10);
    CheckSpecialFolder(sfDrives, "sfDrives", 0x11);
    CheckSpecialFolder(sfNetWork, "sfNetWork", 0x12);
    CheckSpecialFolder(sfNetHood, "sfNetHood", 0x13);
    CheckSpecialFolder(sfFonts, "sfFonts", 0x14);
    CheckSpecialFolder(sfTemplates, "sfTemplates", 0x15);
    CheckSpecialFolder(sfCommonStartMenu, "sfCommonStartMenu", 0x16);
    CheckSpecialFolder(sfCommonPrograms, "sfCommonPrograms", 0x17);
    CheckSpecialFolder(sfCommonStartUp, "sfCommonStartUp", 0x18);
    CheckSpecialFolder(sfCommonDesktopDirectory, "sfCommonDesktopDirectory", 0x19);
    CheckSpecialFolder(sfAppData, "sfAppData", 0x1A);
    CheckSpecialFolder(sfPrintHood, "sfPrintHood", 0x1B);
    CheckSpecialFolder(sfAltStartUp, "sfAltStartUp", 0x1D);
    CheckSpecialFolder(sfCommonAltStartUp, "sfCommonAltStartUp", 0x1E);
    CheckSpecialFolder(sfCommonFavorites, "sfCommonFavorites", 0x1F);
    CheckSpecialFolder(sfInternetCache, "sfInternetCache", 0x20);
    CheckSpecialFolder(sfCookies, "sfCookies", 0x21);
    CheckSpecialFolder(sfHistory, "sfHistory", 0x22);
}

TEST_CASE("a root text names a literal when it matches the name but for ASCII letter case")
{
    CHECK(DefaultRootFolder().Text() == "sfDesktop");
    CHECK(SpecialFolderByName("SFDESKTOP") == sfDesktop);
    CHECK(SpecialFolderByName("sfdesktop") == sfDesktop);
    CHECK(SpecialFolderByName("sfDesktopDirectory") == sfDesktopDirectory);
    CHECK(SpecialFolderByName("sfHistory") == sfHistory);
    for (const char* text : {"sfDesk", "sfDesktop ", "", "C:\\Windows"})
        CHECK(SpecialFolderByName(text) == std::nullopt);
}

TEST_CASE("every literal is named by its text in capitals, in small letters, and with any one letter's case turned")
{
    const auto turned = [](char c) { return static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c)); };
    for (std::size_t ordinal = 0; ordinal < VeltoSpecialFolderCount; ++ordinal) {
        const std::string name(SpecialFolderName(Literal(ordinal)));
        std::string upper = name, lower = name;
        std::transform(name.begin(), name.end(), upper.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
        std::transform(name.begin(), name.end(), lower.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
        std::vector<std::string> texts{upper, lower};
        for (std::size_t at = 0; at < name.size(); ++at) {
            texts.push_back(name);
            texts.back()[at] = turned(name[at]);
        }
        for (const std::string& text : texts) {
            CAPTURE(text);
            CHECK(SpecialFolderByName(text) == Literal(ordinal));
        }
        // A letter that differs by more than its case names nothing.
        std::string other = upper;
        other.back() = other.back() == 'Z' ? 'A' : static_cast<char>(other.back() + 1);
        CHECK(SpecialFolderByName(other) == std::nullopt);
    }
}

}  // TEST_SUITE

TEST_SUITE("TVeltoShellObjectTypes") {

TEST_CASE("bit n of the set stands for ordinal n, and each member adds its SHCONTF flag")
{
    TVeltoShellObjectTypes types{otFolders, otIncludeHidden};
    CHECK(types.Bits() == 0x05);
    CHECK(ObjectTypesToEnumFlags(types) == 0xA0);
    CHECK((types + TVeltoShellObjectTypes{otNonFolders}).Bits() == 0x07);
    CHECK(ObjectTypesToEnumFlags(types + TVeltoShellObjectTypes{otNonFolders}) == 0xE0);
    CHECK(types.Exclude(otFolders).Include(otNonFolders) == TVeltoShellObjectTypes{otNonFolders, otIncludeHidden});
    CHECK(ObjectTypesToEnumFlags({otNonFolders}) == SHCONTF_NONFOLDERS);
    CHECK(ObjectTypesToEnumFlags({}) == 0);
}

}  // TEST_SUITE

TEST_SUITE("HasFlags") {

TEST_CASE("HasFlags wants every bit of a non-zero mask")
{
    CHECK_FALSE(HasFlags(0, 0));
    CHECK_FALSE(HasFlags(0, 0xFFFFFFFF));
    CHECK(HasFlags(0x80000000, 0xC0000000));
    CHECK_FALSE(HasFlags(0x20000, 0));
    CHECK_FALSE(HasFlags(0x800A0000, 0x80020000));
}

}  // TEST_SUITE
