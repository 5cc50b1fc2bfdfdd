// libFuzzer target: any bytes as a payload, read and restored into a scratch folder, and nothing
// written anywhere else.
#include "../../payload/RestorePayload.h"
#include "../../tools/FolderFileSink.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// The restore goes three folders deep below a folder of this run's own, so that a name that climbs
// out shows as a change to a folder on the way, where nothing is ever written.
const fs::path Base = fs::temp_directory_path() / ("unpack-fuzz-" + std::to_string(getpid()));
const fs::path Way[] = {Base, Base / "outer", Base / "outer" / "inner"};
const fs::path Target = Way[2] / "target";

// An entry added to or removed from a folder changes the folder's own time stamp: one stat a folder
// tells whether anything was written there.
fs::file_time_type Stamps[std::size(Way)];

// Aborts, so that libFuzzer keeps the input.
[[noreturn]] void Escaped(const fs::path& where)
{
    std::fprintf(stderr, "fuzz: %s was written outside the target folder\n", where.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = [] {
        fs::create_directories(Target);
        for (std::size_t i = 0; i < std::size(Way); ++i)
            Stamps[i] = fs::last_write_time(Way[i]);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(Base, ignored);
        });
        return true;
    }();
    (void)ready;
    try {
        const TPayload payload(data, size);
        TFolderFileSink sink(Target);
        RestorePayload(payload, sink);
    } catch (const Exception&) {
        // Refusals are the expected outcome for most inputs.
    }
    for (std::size_t i = 0; i < std::size(Way); ++i)
        if (fs::last_write_time(Way[i]) != Stamps[i])
            Escaped(Way[i]);
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(Target, ignored)) {
        if (!entry.is_regular_file())
            Escaped(entry.path());  // a stored name never makes a folder
        fs::remove(entry.path(), ignored);
    }
    return 0;
}
