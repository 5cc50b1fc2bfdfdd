// The Win32 file sink of the restore walk.
#include "Win32FileSink.h"

#include "../framework/Scope.h"
#include "FolderPath.h"

namespace {

[[noreturn]] void RaiseLastError()
{
    throw EInOutError(static_cast<int>(GetLastError()));
}

// A new, empty file of its own in the folder, under the first free temporary name. A stored name
// may be one of them too: the file is then written under its own name and moved onto itself.
TFileHandle CreateTemporaryFile(const std::string& folder, std::string& name)
{
    for (char digit = '0'; digit <= '9'; ++digit) {
        name = folder + "~unpack" + digit + ".tmp";
        TFileHandle file(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return file;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            RaiseLastError();
    }
    throw EInOutError(ERROR_FILE_EXISTS);
}

}  // namespace

void TWin32FileSink::WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = FFolder + name;
    // The stored names are checked before the walk; this catches whatever that check might miss.
    if (!IsInsideFolder(FFolder, path))
        throw EInOutError(3);
    // An old copy that may not be overwritten (read-only, open elsewhere, a folder) fails as it
    // always did, with the code of opening it for writing, before anything is written.
    const bool replacing = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (replacing && !TFileHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr)))
        RaiseLastError();

    std::string temporary;
    TFileHandle file = CreateTemporaryFile(FFolder, temporary);
    // Whatever fails from here on, the old copy stays whole and the partial file goes.
    auto discard = ScopeExit([&] {
        file.reset();
        DeleteFileA(temporary.c_str());
    });
    DWORD written = 0;
    if (!::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr))
        RaiseLastError();
    // A short write would leave a truncated file behind a report of success.
    if (written != size)
        throw EInOutError(101);
    if (!CloseHandle(file.release()))
        RaiseLastError();
    // The name keeps the old copy's security and attributes, as an overwrite in place kept them.
    const BOOL moved = replacing ? ReplaceFileA(path.c_str(), temporary.c_str(), nullptr,
                                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                                 : MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!moved)
        RaiseLastError();
    discard.Dismiss();
}
