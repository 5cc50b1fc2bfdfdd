// Writing restored files into a folder with CreateFile and WriteFile.
#pragma once

#include "RestorePayload.h"

class TWin32FileSink : public TPayloadFileSink {
public:
    // folder ends with "\"; names are joined to it unchanged.
    explicit TWin32FileSink(std::string folder) : FFolder(std::move(folder)) {}

    // Creates or replaces folder + name and writes the bytes in one write. Raises EInOutError with
    // the system's error code; a short write is "Disk full" (101), and a joined path that resolves
    // outside the folder is "Invalid filename" (3).
    void WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size) override;

private:
    std::string FFolder;
};
