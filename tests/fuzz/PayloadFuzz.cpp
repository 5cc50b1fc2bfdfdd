// libFuzzer target: any bytes as a payload, read and restored into a scratch folder.
#include "../../setup/RestorePayload.h"
#include "../../tools/FolderFileSink.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("unpack-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::temp_directory_path() / ("unpack-fuzz-" + std::to_string(getpid())), ignored);
        });
        return path;
    }();
    try {
        const TPayload payload(data, size);
        TFolderFileSink sink(folder);
        RestorePayload(payload, sink);
    } catch (const Exception&) {
        // Refusals are the expected outcome for most inputs.
    }
    // Whatever was written must lie inside the folder: nothing may escape it.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    return 0;
}
