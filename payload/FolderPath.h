// Folder texts in UTF-16, as the W file functions take them: the check of an install folder, the
// inside-the-folder test and the creation of missing folders.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

// The longest path text, in characters, that the file functions take without the "\\?\" prefix.
inline constexpr std::size_t MaxFolderTextLength = MAX_PATH - 1;

// text with a "\" appended unless it ends with one; "" becomes "\".
std::wstring WithBackslash(std::wstring text);

// Why a folder text cannot be installed into.
enum TFolderFault {
    ffNone,         // it can
    ffNotAbsolute,  // no drive and root and no share: it would name a folder of the current one
    ffName,         // a name Windows forbids, or would make without its trailing spaces and dots
    ffTooLong,      // the folder and the longest name to be written in it pass the platform's limit
};

// The install folder of a folder text: the text with a "\" appended unless it ends with one ("",
// the root of the current drive, becomes "\"), and its fault. longestName is the longest name, in
// characters, that will be joined to it.
struct TInstallFolder {
    std::wstring Text;  // empty unless Fault is ffNone
    TFolderFault Fault;
};
TInstallFolder InstallFolderOf(std::wstring_view text, std::size_t longestName);

// True when path, made absolute, names something inside folder, made absolute, compared without
// regard to case. The folder itself is not inside it; a text that cannot be made absolute is not
// inside anything.
bool IsInsideFolder(const std::wstring& folder, const std::wstring& path);

// Creates the folder and every missing parent below its root, outermost first, one after the
// other; true when the folder exists afterwards. The root itself (a drive, a share) is never
// created: when it is not there (a drive without its medium, a share out of reach) nothing is
// made. The thread's critical-error boxes stay off meanwhile. A text longer than
// MaxFolderTextLength gives false before anything is looked at or created.
bool ForceDirectories(std::wstring folder);
