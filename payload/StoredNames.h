// How the program reads the names its payload stores. A stored name is bytes in the code page it
// was made in: payloads made for a Western system carry "Café.txt" in code page 1252. Where the
// program's code page is UTF-8, a name that is valid UTF-8 is read as UTF-8 and any other in the
// system's own ANSI code page, so that every payload installs the names it installed before; where
// it is the system's, a name is read in it as it always was. Either way the name is read into
// UTF-16 once, when the directory is read, and travels so to the file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// The system's own ANSI code page, whatever the program's manifest makes the program's.
UINT SystemAnsiCodePage();

// The code page a stored name is read in.
UINT StoredNameCodePage(std::string_view stored, UINT programCodePage, UINT systemCodePage);

// The name in UTF-16, checked character by character (so a double-byte character whose trail byte
// is 0x5C is no separator); nothing for a name that could leave the folder or land under another
// name.
std::optional<std::wstring> ReadStoredNameIn(std::string_view stored, UINT programCodePage, UINT systemCodePage);
// The same for this program on this system.
std::optional<std::wstring> ReadStoredName(std::string_view stored);
