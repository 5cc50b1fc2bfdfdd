// unpack-to: restores the payload embedded in this program into a folder, through the same
// restore code as the setup wizard. Usage: unpack-to FOLDER
#include "../framework/AnsiText.h"
#include "../payload/FolderPath.h"
#include "../payload/PayloadResource.h"
#include "../payload/RestorePayload.h"
#include "../payload/StoredNames.h"
#include "../payload/Win32FileSink.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: unpack-to FOLDER\n");
        return 2;
    }
    const std::wstring folder = WithBackslash(WideFromAnsi(argv[1]));
    try {
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            throw EInOutError(static_cast<int>(GetLastError()));
        const TResourceBytes resource = LoadPayloadResource(GetModuleHandleA(nullptr));
        const TPayload payload(resource.Data, resource.Size, ReadStoredName);
        TWin32FileSink sink(folder);
        RestorePayload(payload, sink,
                       {nullptr, [&](std::int32_t i) { std::printf("%s\n", AnsiFromWide(payload.Name(i)).c_str()); }});
        std::printf("%d files restored into %s\n", static_cast<int>(payload.Count()), argv[1]);
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "unpack-to: %s\n", e.what());
        return 1;
    }
}
