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
TFileHandle CreateTemporaryFile(const std::wstring& folder, std::wstring& name)
{
    for (wchar_t digit = L'0'; digit <= L'9'; ++digit) {
        name = folder + L"~unpack" + digit + L".tmp";
        TFileHandle file(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return file;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            RaiseLastError();
    }
    throw EInOutError(ERROR_FILE_EXISTS);
}

}  // namespace

void TWin32FileSink::WriteFile(const std::wstring& name, const std::uint8_t* data, std::size_t size)
{
    const std::wstring path = FFolder + name;
    // The stored names are checked before the walk; this catches whatever that check might miss.
    if (!IsInsideFolder(FFolder, path))
        throw EInOutError(3);
    // An old copy that cannot be replaced (open elsewhere, a folder) fails as it always did, with
    // the code of opening it, before anything is written: for writing, or, when it is read-only,
    // as the replacement opens it.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
    const bool readOnly = replacing && (attributes & FILE_ATTRIBUTE_READONLY);
    if (replacing && !TFileHandle(CreateFileW(path.c_str(), GENERIC_READ | (readOnly ? DELETE : GENERIC_WRITE), 0,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)))
        RaiseLastError();

    std::wstring temporary;
    TFileHandle file = CreateTemporaryFile(FFolder, temporary);
    // Whatever fails from here on, the old copy stays whole and the partial file goes.
    auto discard = ScopeExit([&] {
        file.reset();
        DeleteFileW(temporary.c_str());
    });
    DWORD written = 0;
    if (!::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr))
        RaiseLastError();
    // A short write would leave a truncated file behind a report of success.
    if (written != size)
        throw EInOutError(101);
    if (!CloseHandle(file.release()))
        RaiseLastError();
    // The read-only attribute goes only now that the new copy is whole and takes the old one's
    // place at once; should the replacement fail all the same, the old copy gets it back.
    const DWORD writable = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (readOnly && !SetFileAttributesW(path.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL))
        RaiseLastError();
    // The name keeps the old copy's security and attributes, as an overwrite in place kept them.
    const BOOL moved = replacing ? ReplaceFileW(path.c_str(), temporary.c_str(), nullptr,
                                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                                 : MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!moved) {
        const DWORD error = GetLastError();
        if (readOnly)
            SetFileAttributesW(path.c_str(), attributes);
        throw EInOutError(static_cast<int>(error));
    }
    discard.Dismiss();
}
