// The Win32 file sink of the restore walk.
#include "Win32FileSink.h"

#include "../framework/UniqueHandle.h"

#include <algorithm>

namespace {

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH * 2];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer)
        throw EInOutError(3);
    std::string full(buffer, length);
    CharUpperBuffA(full.data(), static_cast<DWORD>(full.size()));
    return full;
}

// The stored names are checked before the walk; this catches whatever that check might miss.
void CheckInsideFolder(const std::string& folder, const std::string& path)
{
    std::string base = FullPath(folder);
    if (base.empty() || (base.back() != '\\' && base.back() != '/'))
        base += '\\';
    const std::string full = FullPath(path);
    if (full.size() <= base.size() || full.compare(0, base.size(), base) != 0)
        throw EInOutError(3);
}

}  // namespace

void TWin32FileSink::WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = FFolder + name;
    CheckInsideFolder(FFolder, path);
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw EInOutError(static_cast<int>(GetLastError()));
    DWORD written = 0;
    if (!::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr))
        throw EInOutError(static_cast<int>(GetLastError()));
    // A short write would leave a truncated file behind a report of success.
    if (written != size)
        throw EInOutError(101);
    if (!CloseHandle(file.release()))
        throw EInOutError(static_cast<int>(GetLastError()));
}
