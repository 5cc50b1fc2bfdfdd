// libFuzzer target: any bytes as a payload, read and restored into a scratch folder, and nothing
// written anywhere else: no name handed to the sink leads out of the folder, and no folder on the
// way changes.
#include "../../payload/RestorePayload.h"
#include "../../tools/FolderFileSink.h"

#include <unistd.h>

#include <algorithm>
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
    std::fprintf(stderr, "fuzz: %s is outside the target folder\n", where.c_str());
    std::abort();
}

// Checks every name on its way to the folder, before anything is written: joined to the target with
// '\\' and '/' both taken as separators, it must stay below the target, and it must name no drive
// and no stream (':'), which Windows would take out of the folder. The stamps above then also
// catch whatever the file system made of a name that passed.
class TContainedSink : public TPayloadFileSink {
public:
    void WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size) override
    {
        std::string relative = name;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path joined = (Target / relative).lexically_normal();
        const auto [inTarget, inJoined] = std::mismatch(Target.begin(), Target.end(), joined.begin(), joined.end());
        if (inTarget != Target.end() || inJoined == joined.end() || name.find(':') != std::string::npos)
            Escaped(joined);
        FSink.WriteFile(name, data, size);
    }

private:
    TFolderFileSink FSink{Target};
};

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
        TContainedSink sink;
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
