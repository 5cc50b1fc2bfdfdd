// Inflating one complete zlib stream held in memory, and the errors that it raises.
#pragma once

#include "../framework/Exceptions.h"

#include <cstddef>
#include <cstdint>

class EZlibError : public Exception {
public:
    using Exception::Exception;
};

// Raised with the text "error" for every failure that zlib reports.
class EDecompressionError : public EZlibError {
public:
    EDecompressionError() : EZlibError("error") {}
};

// An output block that grows without moving: address space is reserved once and pages are
// committed as the contents grow, so growing never copies what is already there (a block that
// outgrows its reservation moves once into one twice as large). The block keeps its pages until it
// is destroyed, so a restore that inflates file after file into one block touches fresh memory
// only for the largest file.
class TInflateBlock {
public:
    // A 32-bit process has room for this much address space in one piece, and a larger file is rare.
    static constexpr std::size_t DefaultReserve = std::size_t{256} << 20;

    // Reserves reserve bytes (less when the system cannot give that much); EOutOfMemory when it
    // gives nothing.
    explicit TInflateBlock(std::size_t reserve = DefaultReserve);
    ~TInflateBlock();
    TInflateBlock(const TInflateBlock&) = delete;
    TInflateBlock& operator=(const TInflateBlock&) = delete;

    std::uint8_t* Data() const { return FBase; }
    // Bytes that may be written from Data() on.
    std::size_t Capacity() const { return FCommitted; }
    std::size_t Reserved() const { return FReserved; }
    // Makes at least size bytes writable, keeping the first keep bytes; EOutOfMemory when the
    // system refuses. Data() changes only when size is beyond the reservation.
    void Grow(std::size_t size, std::size_t keep);

private:
    std::uint8_t* FBase = nullptr;
    std::size_t FReserved = 0;
    std::size_t FCommitted = 0;
};

// Inflates the zlib stream of inBytes bytes at inBuf into block, from its start, and returns the
// contents' length. zlib first gets outEstimate bytes of output space (inBytes rounded up to 256
// when 0), and each time that is used up, inBytes rounded up to 256 more at the same offset.
// EDecompressionError for a zlib failure, EOutOfMemory when memory runs out; the block then holds
// nothing of use but stays valid.
std::size_t InflateInto(TInflateBlock& block, const void* inBuf, std::int32_t inBytes, std::int32_t outEstimate = 0);

// Inflates the zlib stream of inBytes bytes at inBuf into a new heap block of outBytes bytes, which
// the caller frees with std::free. The output space grows as InflateInto says. On failure nothing
// stays allocated: EDecompressionError for a zlib failure, EOutOfMemory when memory runs out.
void InflateBuffer(const void* inBuf, std::int32_t inBytes, void*& outBuf, std::int32_t& outBytes,
                   std::int32_t outEstimate = 0);
