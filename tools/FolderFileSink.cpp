// Writing restored files with the C library, errors mapped to the file-error codes.
#include "FolderFileSink.h"

#include "../framework/Scope.h"

#include <cerrno>
#include <cstdio>

namespace {

int ErrorCodeFor(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG: return 3;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return 5;
    case EMFILE:
    case ENFILE: return 4;
    case ENOSPC: return 101;
    default: return error;
    }
}

}  // namespace

void TFolderFileSink::WriteFile(const TFileName& name, const std::uint8_t* data, std::size_t size)
{
#ifdef _WIN32
    TCFile file(_wfopen((FFolder / name).c_str(), L"wb"));
#else
    std::string relative = name;
    for (char& c : relative)
        if (c == '\\')
            c = '/';
    TCFile file(std::fopen((FFolder / relative).c_str(), "wb"));
#endif
    if (!file)
        throw EInOutError(ErrorCodeFor(errno));
    if (size > 0 && std::fwrite(data, 1, size, file.get()) != size)
        throw EInOutError(ErrorCodeFor(errno == 0 ? ENOSPC : errno));
    if (std::fclose(file.release()) != 0)
        throw EInOutError(ErrorCodeFor(errno));
}
