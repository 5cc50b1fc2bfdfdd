// Character-aware folder texts: the trailing backslash, exact conversions, the check of an install
// folder, the inside-the-folder test and the creation of missing folders.
#include "FolderPath.h"

#include "../framework/Scope.h"

#include <vector>

namespace {

// The text as the file functions of the A family read it: converted with the code page.
std::wstring Wide(std::string_view text, UINT codePage)
{
    if (text.empty())
        return L"";
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

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

// A name the platform would make without its trailing spaces and dots, so that the files written
// under the name as typed would miss it. "." and ".." are steps, not names.
bool HasNameEnd(std::wstring_view folder, std::size_t root)
{
    for (std::size_t start = root; start < folder.size();) {
        std::size_t end = folder.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos)
            end = folder.size();
        const std::wstring_view name = folder.substr(start, end - start);
        if (!name.empty() && name != L"." && name != L".." && (name.back() == L' ' || name.back() == L'.'))
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

bool EndsWithBackslash(std::string_view text, UINT codePage)
{
    // The last character as the file functions read the text: only from the first byte on is it
    // known which bytes begin a character, and CharNextExA steps through UTF-8 byte by byte.
    const std::wstring wide = Wide(text, codePage);
    return !wide.empty() && wide.back() == L'\\';
}

std::string WithBackslash(std::string text, UINT codePage)
{
    if (!EndsWithBackslash(text, codePage))
        text += '\\';
    return text;
}

std::size_t TextLength(std::string_view text, UINT codePage)
{
    return Wide(text, codePage).size();
}

std::optional<std::string> ExactCodePageText(std::wstring_view text, UINT codePage)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::nullopt;
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    // A best-fit spelling or a "?" reads back as other characters, in every code page, UTF-8 too.
    if (Wide(narrow, codePage) != text)
        return std::nullopt;
    return narrow;
}

std::optional<std::string> CodePagePath(const std::wstring& path, UINT codePage)
{
    if (std::optional<std::string> exact = ExactCodePageText(path, codePage))
        return exact;
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0)
        return std::nullopt;
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed)
        return std::nullopt;
    shortPath.resize(length);
    return ExactCodePageText(shortPath, codePage);
}

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

TInstallFolder InstallFolderOf(std::wstring_view text, std::size_t longestName, UINT codePage)
{
    std::wstring folder(text);
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    // "\" alone is the empty text's folder, the root of the current drive: it always exists.
    if (folder != L"\\" && !HasFixedRoot(folder))
        return {"", ffNotAbsolute};
    if (HasNameEnd(folder, RootLength(folder)))
        return {"", ffNameEnd};
    if (folder.size() + longestName > MaxFolderTextLength)
        return {"", ffTooLong};
    std::optional<std::string> exact = ExactCodePageText(folder, codePage);
    if (!exact)
        return {"", ffCodePage};
    return {std::move(*exact), ffNone};
}

bool IsInsideFolder(const std::string& folder, const std::string& path, UINT codePage)
{
    std::wstring base = FullUpperPath(Wide(folder, codePage));
    if (base.empty())
        return false;
    if (!IsSeparator(base.back()))
        base += L'\\';
    const std::wstring full = FullUpperPath(Wide(path, codePage));
    return full.size() > base.size() && full.compare(0, base.size(), base) == 0;
}

bool ForceDirectories(const std::string& folder, UINT codePage)
{
    std::wstring path = Wide(folder, codePage);
    // Beyond the limit the platform refuses the text anyway; looking at each of its parents first
    // would take as long as the text is deep.
    if (path.size() > MaxFolderTextLength)
        return false;
    // A drive without its medium would otherwise ask in a box of the system's, for each folder
    // looked at.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    const auto restoreMode = ScopeExit([oldMode] { SetErrorMode(oldMode); });
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
