// Character-aware folder texts: the trailing backslash, the inside-the-folder test and the
// creation of missing folders.
#include "FolderPath.h"

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
    // Only from the first byte on is it known which bytes begin a character.
    const std::string terminated(text);
    const char* const end = terminated.c_str() + terminated.size();
    const char* last = nullptr;
    for (const char* at = terminated.c_str(); at < end;) {
        last = at;
        const char* next = CharNextExA(static_cast<WORD>(codePage), at, 0);
        at = next > at ? next : at + 1;  // an embedded NUL does not move it
    }
    return last == end - 1 && *last == '\\';
}

std::string WithBackslash(std::string text, UINT codePage)
{
    if (!EndsWithBackslash(text, codePage))
        text += '\\';
    return text;
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
    while (path.size() > 1 && IsSeparator(path.back()))
        path.pop_back();
    if (path.empty() || IsFolder(path + L"\\"))
        return true;

    // From the folder outwards to the first parent that exists, never into a bare drive ("C:") or
    // the root; then created from the outermost missing one inwards.
    std::vector<std::size_t> missing{path.size()};
    for (std::size_t length = path.size();;) {
        const std::size_t slash = path.find_last_of(L"\\/", length - 1);
        if (slash == std::wstring::npos || slash == 0 || path[slash - 1] == L':')
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
