// The restore walk over a descrambled payload copy.
#include "RestorePayload.h"

#include "../framework/Scope.h"
#include "InflateBuffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

// The first output space: twice the stored size.
std::int32_t Estimate(const TPayload& payload, std::int32_t index)
{
    const std::int64_t estimate = 2 * static_cast<std::int64_t>(payload.StoredSize(index));
    return static_cast<std::int32_t>(std::min<std::int64_t>(estimate, std::numeric_limits<std::int32_t>::max()));
}

TMallocBlock Inflate(const TPayload& payload, std::int32_t index, std::int32_t& bytes)
{
    void* block = nullptr;
    InflateBuffer(payload.StoredData(index), payload.StoredSize(index), block, bytes, Estimate(payload, index));
    return TMallocBlock(block);
}

}  // namespace

std::optional<TFileName> ReadStoredNameAsBytes(std::string_view stored)
{
    if (!IsSafePayloadName(stored))
        return std::nullopt;
    TFileName name;
    for (char c : stored)
        name += static_cast<unsigned char>(c);
    return name;
}

TPayload::TPayload(const std::uint8_t* source, std::size_t size, const TStoredNameReader& reader)
try {
    if (size < PayloadCountSize)
        throw EPayloadDamaged();
    std::int32_t count;
    std::memcpy(&count, source, sizeof count);
    const std::uint64_t dataStart = PayloadDataStart(count);
    if (count < 0 || dataStart > size)
        throw EPayloadDamaged();

    // Copied and descrambled a slice at a time, so that each slice is descrambled while it is
    // still in the cache instead of the whole copy being read through a second time.
    constexpr std::size_t Slice = std::size_t{256} << 10;
    FData.reserve(size);
    for (std::size_t at = 0; at < size; at += Slice) {
        const std::size_t end = std::min(size, at + Slice);
        FData.insert(FData.end(), source + at, source + end);
        DescramblePayload(FData.data(), end, std::max<std::uint64_t>(at, dataStart));
    }

    FEntries.resize(static_cast<std::size_t>(count));
    if (count > 0)
        std::memcpy(FEntries.data(), FData.data() + PayloadCountSize, FEntries.size() * sizeof(TPayloadEntry));

    FCursors.reserve(FEntries.size());
    std::uint64_t cursor = dataStart;
    for (const TPayloadEntry& entry : FEntries) {
        if (entry.StoredSize < 0 || cursor + static_cast<std::uint64_t>(entry.StoredSize) > size)
            throw EPayloadDamaged();
        FCursors.push_back(cursor);
        cursor += static_cast<std::uint64_t>(entry.StoredSize);
    }
    FNames.reserve(FEntries.size());
    for (const TPayloadEntry& entry : FEntries) {
        std::optional<TFileName> name = reader(PayloadEntryName(entry));
        if (!name)
            throw EInOutError(3);
        FNames.push_back(std::move(*name));
    }
} catch (const std::bad_alloc&) {
    throw EOutOfMemory();
}

void RestorePayload(const TPayload& payload, TPayloadFileSink& sink, const TRestoreProgress& progress)
try {
    if (progress.OnCount)
        progress.OnCount(payload.Count());
    // One block for the whole walk: each file's contents replace the last one's in pages that are
    // already there, so only the largest file pays for fresh memory, and nothing is copied to grow.
    std::unique_ptr<TInflateBlock> block;
    for (std::int32_t i = 0; i < payload.Count(); ++i) {
        if (!block)
            block = std::make_unique<TInflateBlock>();
        const std::size_t bytes = InflateInto(*block, payload.StoredData(i), payload.StoredSize(i), Estimate(payload, i));
        sink.WriteFile(payload.Name(i), block->Data(), bytes);
        if (progress.OnFileWritten)
            progress.OnFileWritten(i);
    }
} catch (const std::bad_alloc&) {
    throw EOutOfMemory();
}

std::vector<std::uint8_t> InflatePayloadEntry(const TPayload& payload, std::int32_t index)
try {
    std::int32_t bytes = 0;
    const TMallocBlock contents = Inflate(payload, index, bytes);
    const auto* data = static_cast<const std::uint8_t*>(contents.get());
    return std::vector<std::uint8_t>(data, data + bytes);
} catch (const std::bad_alloc&) {
    throw EOutOfMemory();
}
