// Special-folder names and CSIDLs, root-name matching, object-type sets and flag tests.
#include "ShellTestHelpers.h"

#include <string>
#include <utility>

namespace {

using enum TVeltoSpecialFolder;
using enum TVeltoShellObjectType;

TVeltoSpecialFolder Literal(std::size_t ordinal) { return static_cast<TVeltoSpecialFolder>(ordinal); }

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
