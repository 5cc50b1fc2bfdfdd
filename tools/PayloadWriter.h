// Building a setup payload from files: the producer side of the payload format.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TPayloadSourceFile {
    std::string Name;  // bare file name, as it will be stored
    std::vector<std::uint8_t> Contents;
};

enum class TPayloadCompression {
    Standard,  // zlib at its best level
    Smallest,  // the smaller of zopfli's stream and zlib's, many times slower; ordinary zlib streams
};

struct TPayloadWriteOptions {
    TPayloadCompression Compression = TPayloadCompression::Standard;
    // Files compressed at once, each by a thread of its own; 0 for one per core. The payload's
    // bytes never depend on it.
    unsigned Threads = 0;
    // Called on the calling thread a few times a second while the files are compressed, and once
    // at the end with done == total: the bytes of contents compressed so far, and of all files.
    std::function<void(std::uint64_t done, std::uint64_t total)> OnProgress;
};

// True when this build can write TPayloadCompression::Smallest (it was built with zopfli).
bool SmallestCompressionAvailable();

// The payload bytes for the files in the given order: each file deflated as the options say, the
// offsets written as the format defines them, the data area scrambled. The same files always give
// the same bytes. Raises Exception for a name over 256 bytes, with a folder part, unsafe to join
// to a folder, or given twice (compared without regard to ASCII case, as Windows does), for a file
// of 2 GB or more, which the setup cannot restore, and for Smallest in a build without zopfli.
std::vector<std::uint8_t> WritePayload(const std::vector<TPayloadSourceFile>& files,
                                       const TPayloadWriteOptions& options = {});
