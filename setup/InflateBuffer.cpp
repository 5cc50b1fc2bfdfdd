// InflateBuffer over zlib's stream functions.
#include "InflateBuffer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// Owns the output block while it grows. The block's capacity grows geometrically behind the scenes
// so that a file inflating to hundreds of times its stored size is not copied hundreds of times;
// zlib still gets exactly one increment of fresh space per round.
class TOutputBlock {
public:
    explicit TOutputBlock(std::size_t capacity)
    {
        FData = static_cast<Bytef*>(std::malloc(capacity ? capacity : 1));
        if (!FData)
            throw EOutOfMemory();
        FCapacity = capacity;
    }
    ~TOutputBlock() { std::free(FData); }
    TOutputBlock(const TOutputBlock&) = delete;
    TOutputBlock& operator=(const TOutputBlock&) = delete;

    Bytef* Data() const { return FData; }

    void Reserve(std::size_t size)
    {
        if (size <= FCapacity)
            return;
        std::size_t wanted = std::max(size, FCapacity * 2);
        void* grown = std::realloc(FData, wanted);
        if (!grown && wanted > size)
            grown = std::realloc(FData, wanted = size);
        if (!grown)
            throw EOutOfMemory();
        FData = static_cast<Bytef*>(grown);
        FCapacity = wanted;
    }

    // Shrinks to the produced size and hands the block to the caller.
    void* Release(std::size_t size)
    {
        void* block = FData;
        if (size > 0 && size < FCapacity) {
            if (void* shrunk = std::realloc(FData, size))
                block = shrunk;
        }
        FData = nullptr;
        return block;
    }

private:
    Bytef* FData = nullptr;
    std::size_t FCapacity = 0;
};

// Ends the inflate stream on every path; the end call's own failure is reported by Finish.
class TInflateStream {
public:
    explicit TInflateStream(z_stream& stream) : FStream(stream) {}
    ~TInflateStream()
    {
        if (FOpen)
            inflateEnd(&FStream);
    }
    TInflateStream(const TInflateStream&) = delete;
    TInflateStream& operator=(const TInflateStream&) = delete;

    void Finish()
    {
        FOpen = false;
        if (inflateEnd(&FStream) != Z_OK)
            throw EDecompressionError();
    }

private:
    z_stream& FStream;
    bool FOpen = true;
};

}  // namespace

void InflateBuffer(const void* inBuf, std::int32_t inBytes, void*& outBuf, std::int32_t& outBytes,
                   std::int32_t outEstimate)
{
    outBuf = nullptr;
    outBytes = 0;
    if (inBytes < 0 || outEstimate < 0)
        throw EDecompressionError();

    const std::uint64_t increment = (static_cast<std::uint64_t>(inBytes) + 255) & ~std::uint64_t{255};
    std::uint64_t size = outEstimate ? static_cast<std::uint64_t>(outEstimate) : increment;
    TOutputBlock block(size);

    z_stream stream{};
    stream.next_in = static_cast<Bytef*>(const_cast<void*>(inBuf));
    stream.avail_in = static_cast<uInt>(inBytes);
    stream.next_out = block.Data();
    stream.avail_out = static_cast<uInt>(size);
    if (inflateInit(&stream) != Z_OK)
        throw EDecompressionError();
    TInflateStream guard(stream);

    for (;;) {
        int result = inflate(&stream, Z_FINISH);
        if (result == Z_STREAM_END)
            break;
        const bool outputFull = (result == Z_OK || result == Z_BUF_ERROR) && stream.avail_out == 0;
        if (!outputFull || increment == 0)
            throw EDecompressionError();
        if (size + increment > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            throw EOutOfMemory();
        block.Reserve(size + increment);
        stream.next_out = block.Data() + size;
        stream.avail_out = static_cast<uInt>(increment);
        size += increment;
    }
    guard.Finish();

    outBytes = static_cast<std::int32_t>(stream.total_out);
    outBuf = block.Release(stream.total_out);
}
