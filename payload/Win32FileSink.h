// Writing restored files into a folder with CreateFile and WriteFile, each file replacing its old
// copy only once it is written in full.
#pragma once

#include "RestorePayload.h"

class TWin32FileSink : public TPayloadFileSink {
public:
    // The temporary names the sink writes under ("~unpack0.tmp" to "~unpack9.tmp") have this many
    // characters: a folder must have room for them as for the stored names.
    static constexpr std::size_t TemporaryNameLength = 12;

    // folder ends with "\"; names are joined to it unchanged.
    explicit TWin32FileSink(std::wstring folder) : FFolder(std::move(folder)) {}

    // Writes the bytes in one write under a temporary name in the folder, then gives the file
    // folder + name, replacing an old copy (whose security and attributes the name keeps, but for
    // the read-only attribute, which would refuse it). On any failure the temporary file goes and
    // an old copy stays as it was. Raises EInOutError with the system's error code: an old copy
    // that cannot be replaced (open elsewhere, a folder) fails with the code that opening it
    // gives, before anything is written; a short write is "Disk full" (101), and a joined path
    // that resolves outside the folder is "Invalid filename" (3).
    void WriteFile(const std::wstring& name, const std::uint8_t* data, std::size_t size) override;

private:
    std::wstring FFolder;
};
