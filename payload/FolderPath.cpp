// Folder texts in UTF-16: the check of an install folder, the inside-the-folder test and the
// creation of missing folders.
#include "FolderPath.h"

#include "../framework/Scope.h"
#include "PayloadFormat.h"

#include <vector>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The length of the path's root, its separator included: 3 for "C:\", through the separator after
// the share for "\\server\share\" (the whole text while it names no share), 1 for a lone leading
// "\"; 0 for a text without one ("Tools", "C:Tools").
std::size_t RootLength(std::wstring_view path)
{
    if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]) &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')))
        return 3;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        std::size_t at = path.find_first_of(L"\\/", 2);
        if (at != std::wstring_view::npos)
            at = path.find_first_of(L"\\/", at + 1);
        return at == std::wstring_view::npos ? path.size() : at + 1;
    }
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

// A root that names the same folder whatever the current drive and folder: a drive's ("C:\") or a
// share's ("\\server\share\"). The device spaces ("\\?\", "\\.\") hold no folder texts.
bool HasFixedRoot(std::wstring_view folder)
{
    const std::size_t root = RootLength(folder);
    if (root == 3 && folder[1] == L':')
        return true;
    if (root < 3 || !IsSeparator(folder[1]) || !IsSeparator(folder[root - 1]))
        return false;
    const std::wstring_view names = folder.substr(2, root - 3);
    const std::size_t split = names.find_first_of(L"\\/");
    if (split == std::wstring_view::npos)
        return false;
    const std::wstring_view server = names.substr(0, split);
    return !server.empty() && split + 1 < names.size() && server != L"." && server != L"?";
}

// A name Windows refuses whatever the file system under it takes: a control character or one of
// < > : " | ? * (a colon would name a stream), a device name, with or without an extension; or a
// name it would make without its trailing spaces and dots, so that the files written under the
// name as typed would miss it. "." and ".." are steps, not names.
bool IsForbiddenName(std::wstring_view name)
{
    if (name == L"." || name == L"..")
        return false;
    for (wchar_t c : name)
        if (c < L' ' || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos)
            return true;
    // The rule of the stored names, for one name without separators: the device names and the
    // trailing spaces and dots.
    return !IsSafePayloadName(name);
}

bool HasForbiddenName(std::wstring_view folder, std::size_t root)
{
    for (std::size_t start = root; start < folder.size();) {
        std::size_t end = folder.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos)
            end = folder.size();
        if (end > start && IsForbiddenName(folder.substr(start, end - start)))
            return true;
        start = end + 1;
    }
    return false;
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The absolute form in capitals; empty when the platform cannot make one.
std::wstring FullUpperPath(const std::wstring& path)
{
    if (path.empty())
        return L"";
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return L"";
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return L"";
    full.resize(length);
    CharUpperBuffW(full.data(), length);
    return full;
}

}  // namespace

std::wstring WithBackslash(std::wstring text)
{
    if (text.empty() || text.back() != L'\\')
        text += L'\\';
    return text;
}

TInstallFolder InstallFolderOf(std::wstring_view text, std::size_t longestName)
{
    std::wstring folder = WithBackslash(std::wstring(text));
    // "\" alone is the empty text's folder, the root of the current drive: it always exists.
    if (folder != L"\\" && !HasFixedRoot(folder))
        return {L"", ffNotAbsolute};
    if (HasForbiddenName(folder, RootLength(folder)))
        return {L"", ffName};
    if (folder.size() + longestName > MaxFolderTextLength)
        return {L"", ffTooLong};
    return {std::move(folder), ffNone};
}

bool IsInsideFolder(const std::wstring& folder, const std::wstring& path)
{
    std::wstring base = FullUpperPath(folder);
    if (base.empty())
        return false;
    if (!IsSeparator(base.back()))
        base += L'\\';
    const std::wstring full = FullUpperPath(path);
    return full.size() > base.size() && full.compare(0, base.size(), base) == 0;
}

bool ForceDirectories(std::wstring path)
{
    // Beyond the limit the platform refuses the text anyway; looking at each of its parents first
    // would take as long as the text is deep.
    if (path.size() > MaxFolderTextLength)
        return false;
    // A drive without its medium would otherwise ask in a box of the system's, for each folder
    // looked at. The thread's own mode: the process's would silence every other thread too.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode);
    const auto restoreMode = ScopeExit([oldMode] { SetThreadErrorMode(oldMode, nullptr); });
    while (path.size() > 1 && IsSeparator(path.back()))
        path.pop_back();
    if (path.empty() || IsFolder(path + L"\\"))
        return true;
    const std::size_t root = RootLength(path);
    if (root > 0) {
        std::wstring rootText = path.substr(0, root);
        if (!IsSeparator(rootText.back()))
            rootText += L'\\';
        if (!IsFolder(rootText))
            return false;
    }

    // From the folder outwards to the first parent that exists, never into the root; then created
    // from the outermost missing one inwards.
    std::vector<std::size_t> missing{path.size()};
    for (std::size_t length = path.size();;) {
        const std::size_t slash = path.find_last_of(L"\\/", length - 1);
        if (slash == std::wstring::npos || slash < root)
            break;
        length = slash;
        if (IsFolder(path.substr(0, length) + L"\\"))
            break;
        missing.push_back(length);
    }
    for (auto length = missing.rbegin(); length != missing.rend(); ++length) {
        const std::wstring part = path.substr(0, *length);
        if (!CreateDirectoryW(part.c_str(), nullptr) && !IsFolder(part + L"\\"))
            return false;
    }
    return true;
}
