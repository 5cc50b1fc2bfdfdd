// How the program reads the names its payload stores. A stored name is bytes in the code page it
// was made in: payloads made for a Western system carry "Café.txt" in code page 1252. Where the
// program's code page is UTF-8, a name that is valid UTF-8 is read as UTF-8 and any other in the
// system's own ANSI code page, so that every payload installs the names it installed before; where
// it is the system's, a name is read in it as it always was.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// The system's own ANSI code page, whatever the program's manifest makes the program's.
UINT SystemAnsiCodePage();

// The code page a stored name is read in.
UINT StoredNameCodePage(std::string_view stored, UINT programCodePage, UINT systemCodePage);

// The name in the program's code page, as its A file functions take it, checked character by
// character in the code page it is read in (so a double-byte character whose trail byte is 0x5C is
// no separator); nothing for a name that could leave the folder or land under another name.
std::optional<std::string> ReadStoredNameIn(std::string_view stored, UINT programCodePage, UINT systemCodePage);
// The same for this program on this system.
std::optional<std::string> ReadStoredName(std::string_view stored);
