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

void TFolderFileSink::WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    std::string relative = name;
#ifndef _WIN32
    for (char& c : relative)
        if (c == '\\')
            c = '/';
#endif
    const std::filesystem::path path = FFolder / relative;
    TCFile file(std::fopen(path.string().c_str(), "wb"));
    if (!file)
        throw EInOutError(ErrorCodeFor(errno));
    if (size > 0 && std::fwrite(data, 1, size, file.get()) != size)
        throw EInOutError(ErrorCodeFor(errno == 0 ? ENOSPC : errno));
    if (std::fclose(file.release()) != 0)
        throw EInOutError(ErrorCodeFor(errno));
}
