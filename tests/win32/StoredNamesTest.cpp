// Stored names read into UTF-16 in the code page each was made in, with the program's and the
// system's code pages named explicitly, so that the table runs the same on any system.
#include "../../payload/StoredNames.h"

#include <doctest.h>

TEST_SUITE("StoredNames") {

TEST_CASE("in UTF-8 a UTF-8 name is itself and any other is read in the system's code page; elsewhere in that one")
{
    const std::string Hyo932 = "\x95\x5C";                        // "表", ending in 0x5C
    const std::string Mokuroku932 = "\x96\xDA\x98\x5E" + Hyo932;  // "目録表"
    const struct {
        std::string Stored;
        UINT Program, System;
        std::optional<std::wstring> Read;
    } rows[] = {
        {"Caf\xE9.txt", CP_UTF8, 1252, L"Caf\u00E9.txt"},
        {"Caf\xC3\xA9.txt", CP_UTF8, 1252, L"Caf\u00E9.txt"},
        {"plain.txt", CP_UTF8, 1252, L"plain.txt"},
        {"\xC6\xE8\xF0\xE0\xF4", CP_UTF8, 1251, L"\u0416\u0438\u0440\u0430\u0444"},  // "Жираф"
        {Hyo932 + ".txt", CP_UTF8, 932, L"\u8868.txt"},
        {Mokuroku932, CP_UTF8, 932, L"\u76EE\u9332\u8868"},
        {"Caf\xE9.txt", 1252, 1252, L"Caf\u00E9.txt"},
        {"Caf\xC3\xA9.txt", 1252, 1252, L"Caf\u00C3\u00A9.txt"},
        {Hyo932 + ".txt", 932, 932, L"\u8868.txt"},  // a name, not a folder "\x95" with ".txt" in it
        {Mokuroku932, 932, 932, L"\u76EE\u9332\u8868"},
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
