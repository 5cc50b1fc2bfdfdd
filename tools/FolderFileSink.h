// A payload file sink over the C library's files, for the producer tool, the tests and the fuzzer.
#pragma once

#include "../payload/RestorePayload.h"

#include <filesystem>

class TFolderFileSink : public TPayloadFileSink {
public:
    explicit TFolderFileSink(std::filesystem::path folder) : FFolder(std::move(folder)) {}

    // Joins the name to the folder ('\' read as a separator) and replaces any file of that name.
    void WriteFile(const TFileName& name, const std::uint8_t* data, std::size_t size) override;

private:
    std::filesystem::path FFolder;
};
