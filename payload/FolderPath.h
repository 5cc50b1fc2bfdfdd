// Folder texts in a code page, the system's unless the caller names another, read character by
// character: in the double-byte code pages (932, 936, 949, 950) the trail byte of a character can
// be 0x5C, and such a byte is no backslash.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

// The longest folder text, in UTF-16 units, that the file functions of the A family take.
inline constexpr std::size_t MaxFolderTextLength = MAX_PATH - 1;

// True when the last character of text is "\".
bool EndsWithBackslash(std::string_view text, UINT codePage = CP_ACP);

// text with a "\" appended unless its last character is one; "" becomes "\".
std::string WithBackslash(std::string text, UINT codePage = CP_ACP);

// True when path, made absolute, names something inside folder, made absolute, compared without
// regard to case. The folder itself is not inside it; a text that cannot be made absolute is not
// inside anything.
bool IsInsideFolder(const std::string& folder, const std::string& path, UINT codePage = CP_ACP);

// Creates the folder and every missing parent, outermost first, one after the other; true when the
// folder exists afterwards. A text longer than MaxFolderTextLength gives false before anything is
// looked at or created.
bool ForceDirectories(const std::string& folder, UINT codePage = CP_ACP);
