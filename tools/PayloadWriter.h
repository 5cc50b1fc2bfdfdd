// Building a setup payload from files: the producer side of the payload format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TPayloadSourceFile {
    std::string Name;  // bare file name, as it will be stored
    std::vector<std::uint8_t> Contents;
};

// The payload bytes for the files in the given order: each file deflated at the best level, the
// offsets written as the format defines them, the data area scrambled. The same files always give
// the same bytes. Raises Exception for a name over 256 bytes, with a folder part, unsafe to join
// to a folder, or given twice (compared without regard to ASCII case, as Windows does).
std::vector<std::uint8_t> WritePayload(const std::vector<TPayloadSourceFile>& files);
