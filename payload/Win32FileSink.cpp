// The Win32 file sink of the restore walk.
#include "Win32FileSink.h"

#include "../framework/Scope.h"
#include "FolderPath.h"

void TWin32FileSink::WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = FFolder + name;
    // The stored names are checked before the walk; this catches whatever that check might miss.
    if (!IsInsideFolder(FFolder, path))
        throw EInOutError(3);
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
