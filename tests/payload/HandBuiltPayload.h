// Payloads assembled byte by byte from the format's description, independently of the producer:
// the name field raw, any offset, any stored bytes, trailing bytes, and scrambling in two passes.
#pragma once

#include "../../payload/PayloadFormat.h"
#include "../../payload/RestorePayload.h"

#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

struct THandEntry {
    std::string NameField;                // copied into the 256-byte field as is (may fill it)
    std::vector<std::uint8_t> Stored;     // the stored (not yet scrambled) bytes
    std::int32_t Offset = -1;             // -1: the offset the format prescribes
};

// Bytes that do not compress, the same for the same seed.
inline std::vector<std::uint8_t> Noise(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

inline std::vector<std::uint8_t> ZlibStream(const std::vector<std::uint8_t>& contents)
{
    uLongf size = compressBound(static_cast<uLong>(contents.size()));
    std::vector<std::uint8_t> stream(size);
    compress(stream.data(), &size, contents.data(), static_cast<uLong>(contents.size()));
    stream.resize(size);
    return stream;
}

// An ASCII name as the platform's file functions take it.
inline TFileName FileName(std::string_view ascii) { return TFileName(ascii.begin(), ascii.end()); }

inline THandEntry HandEntry(const std::string& name, const std::vector<std::uint8_t>& contents)
{
    return {name, ZlibStream(contents)};
}

inline void PutLE32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
}

inline std::vector<std::uint8_t> HandBuiltPayload(const std::vector<THandEntry>& entries,
                                                  const std::vector<std::uint8_t>& trailing = {})
{
    const std::size_t n = entries.size();
    std::vector<std::uint8_t> bytes(4 + 264 * n, 0);
    PutLE32(bytes, 0, static_cast<std::int32_t>(n));
    std::size_t offset = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = 4 + 264 * i;
        std::memcpy(&bytes[at], entries[i].NameField.data(), std::min<std::size_t>(256, entries[i].NameField.size()));
        PutLE32(bytes, at + 256, entries[i].Offset >= 0 ? entries[i].Offset : static_cast<std::int32_t>(offset));
        PutLE32(bytes, at + 260, static_cast<std::int32_t>(entries[i].Stored.size()));
        offset += entries[i].Stored.size();
    }
    for (const THandEntry& entry : entries)
        bytes.insert(bytes.end(), entry.Stored.begin(), entry.Stored.end());
    bytes.insert(bytes.end(), trailing.begin(), trailing.end());
    for (std::size_t p = 4 + 264 * n; p < bytes.size(); ++p)
        bytes[p] ^= PayloadKeyTable[p % 16];
    for (std::size_t p = 4 + 264 * n; p < bytes.size(); ++p)
        bytes[p] ^= static_cast<std::uint8_t>(PayloadKeyWord >> (8 * (p % 4)));
    return bytes;
}
