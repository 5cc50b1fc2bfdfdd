// Folder texts in a code page, the program's (the system's, or UTF-8 where the manifest makes it
// so) unless the caller names another, read character by character: in the double-byte code pages
// (932, 936, 949, 950) the trail byte of a character can be 0x5C, and such a byte is no backslash;
// in UTF-8 a character takes up to four bytes. Lengths are counted in characters as the platform
// counts them (UTF-16 units), never in bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The longest path text, in UTF-16 units, that the file functions of the A family take.
inline constexpr std::size_t MaxFolderTextLength = MAX_PATH - 1;

// True when the last character of text is "\".
bool EndsWithBackslash(std::string_view text, UINT codePage = CP_ACP);

// text with a "\" appended unless its last character is one; "" becomes "\".
std::string WithBackslash(std::string text, UINT codePage = CP_ACP);

// The number of characters (UTF-16 units) that text holds in the code page.
std::size_t TextLength(std::string_view text, UINT codePage = CP_ACP);

// The text in the code page, but only when it reads back as exactly the same characters: never a
// best-fit spelling ("A" for "Ā") or a "?" for a character the code page lacks.
std::optional<std::string> ExactCodePageText(std::wstring_view text, UINT codePage = CP_ACP);

// A path for the A functions: the path itself when the code page spells it exactly, else its short
// (8.3) form where the file system has one that it spells; nothing when neither survives.
std::optional<std::string> CodePagePath(const std::wstring& path, UINT codePage = CP_ACP);

// The length of the path's root, its separator included: 3 for "C:\", through the separator after
// the share for "\\server\share\" (the whole text while it names no share), 1 for a lone leading
// "\"; 0 for a text without one ("Tools", "C:Tools").
std::size_t RootLength(std::wstring_view path);

// Why a folder text cannot be installed into.
enum TFolderFault {
    ffNone,         // it can
    ffNotAbsolute,  // no drive and root and no share: it would name a folder of the current one
    ffNameEnd,      // a name ending in a space or a dot, which the platform would make without them
    ffTooLong,      // the folder and the longest name to be written in it pass the platform's limit
    ffCodePage,     // a character that the code page cannot spell exactly
};

// The install folder of a folder text: the text with a "\" appended unless it ends with one ("",
// the root of the current drive, becomes "\"), in the code page, and its fault. longestName is the
// longest name, in characters, that will be joined to it.
struct TInstallFolder {
    std::string Text;  // empty unless Fault is ffNone
    TFolderFault Fault;
};
TInstallFolder InstallFolderOf(std::wstring_view text, std::size_t longestName, UINT codePage = CP_ACP);

// True when path, made absolute, names something inside folder, made absolute, compared without
// regard to case. The folder itself is not inside it; a text that cannot be made absolute is not
// inside anything.
bool IsInsideFolder(const std::string& folder, const std::string& path, UINT codePage = CP_ACP);

// Creates the folder and every missing parent below its root, outermost first, one after the
// other; true when the folder exists afterwards. The root itself (a drive, a share) is never
// created: when it is not there (a drive without its medium, a share out of reach) nothing is
// made. The system's critical-error boxes stay off meanwhile. A text longer than
// MaxFolderTextLength gives false before anything is looked at or created.
bool ForceDirectories(const std::string& folder, UINT codePage = CP_ACP);
