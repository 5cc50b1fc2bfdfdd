// Stored names read in the code page each was made in, with the program's and the system's code
// pages named explicitly, so that the table runs the same on any system.
#include "../../payload/StoredNames.h"

#include <doctest.h>

TEST_SUITE("StoredNames") {

TEST_CASE("in UTF-8 a UTF-8 name is itself and any other is read in the system's code page; elsewhere bytes stay")
{
    const std::string Hyo932 = "\x95\x5C", HyoUtf8 = "\xE8\xA1\xA8";  // "表"
    const std::string Mokuroku932 = "\x96\xDA\x98\x5E" + Hyo932;       // "目録表", ending in 0x5C
    const struct {
        std::string Stored;
        UINT Program, System;
        std::optional<std::string> Read;
    } rows[] = {
        {"Caf\xE9.txt", CP_UTF8, 1252, "Caf\xC3\xA9.txt"},
        {"Caf\xC3\xA9.txt", CP_UTF8, 1252, "Caf\xC3\xA9.txt"},
        {"plain.txt", CP_UTF8, 1252, "plain.txt"},
        {"\xC6\xE8\xF0\xE0\xF4", CP_UTF8, 1251, "\xD0\x96\xD0\xB8\xD1\x80\xD0\xB0\xD1\x84"},  // "Жираф"
        {Hyo932 + ".txt", CP_UTF8, 932, HyoUtf8 + ".txt"},
        {Mokuroku932, CP_UTF8, 932, "\xE7\x9B\xAE\xE9\x8C\xB2" + HyoUtf8},
        {"Caf\xE9.txt", 1252, 1252, "Caf\xE9.txt"},
        {"Caf\xC3\xA9.txt", 1252, 1252, "Caf\xC3\xA9.txt"},
        {Hyo932 + ".txt", 932, 932, Hyo932 + ".txt"},  // a name, not a folder "\x95" with ".txt" in it
        {Mokuroku932, 932, 932, Mokuroku932},
        // Refused as they always were, and the superscript one however it is spelled.
        {"COM\xB9.txt", CP_UTF8, 1252, std::nullopt},
        {"COM\xC2\xB9.txt", CP_UTF8, 1252, std::nullopt},
        {"COM\xB9.txt", 1252, 1252, std::nullopt},
        {"..\\x", CP_UTF8, 1252, std::nullopt},
        {Hyo932 + "\\..\\..\\x", 932, 932, std::nullopt},
        {"a:b", CP_UTF8, 932, std::nullopt},
        {"", CP_UTF8, 1252, std::nullopt},
    };
    for (const auto& row : rows) {
        CAPTURE(row.Stored);
        CAPTURE(row.Program);
        CHECK(ReadStoredNameIn(row.Stored, row.Program, row.System) == row.Read);
    }
    CHECK(StoredNameCodePage("Caf\xE9", CP_UTF8, 1252) == 1252);
    CHECK(StoredNameCodePage("Caf\xC3\xA9", CP_UTF8, 1252) == CP_UTF8);
    CHECK(StoredNameCodePage("Caf\xE9", 932, 1252) == 932);
}

}  // TEST_SUITE
