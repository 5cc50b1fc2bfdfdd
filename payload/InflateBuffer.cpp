// InflateBuffer over zlib's stream functions, and the block that the output grows in.
#include "InflateBuffer.h"

#include "../framework/Scope.h"

#include <zlib.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The system's side of the block: reserving address space, committing and releasing pages.
#ifdef _WIN32
std::size_t PageSize()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}
void* ReserveSpace(std::size_t size)
{
    return VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
}
bool CommitSpace(void* base, std::size_t size)
{
    return VirtualAlloc(base, size, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}
void ReleaseSpace(void* base, std::size_t)
{
    VirtualFree(base, 0, MEM_RELEASE);
}
#else
std::size_t PageSize()
{
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}
void* ReserveSpace(std::size_t size)
{
    void* base = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return base == MAP_FAILED ? nullptr : base;
}
bool CommitSpace(void* base, std::size_t size)
{
    return mprotect(base, size, PROT_READ | PROT_WRITE) == 0;
}
void ReleaseSpace(void* base, std::size_t size)
{
    munmap(base, size);
}
#endif

// Committing ahead costs address space only: pages are not touched until zlib writes them, and
// fewer, larger commits keep the system calls out of a file that grows by thousands of small steps.
constexpr std::size_t CommitStep = std::size_t{1} << 20;

std::size_t RoundUp(std::size_t size, std::size_t unit)
{
    return (size + unit - 1) / unit * unit;
}

}  // namespace

TInflateBlock::TInflateBlock(std::size_t reserve)
{
    const std::size_t page = PageSize();
    reserve = RoundUp(std::max<std::size_t>(reserve, 1), page);
    // Fragmented address space may not hold the whole reservation: take what it holds.
    for (;;) {
        FBase = static_cast<std::uint8_t*>(ReserveSpace(reserve));
        if (FBase || reserve <= page)
            break;
        reserve = RoundUp(reserve / 2, page);
    }
    if (!FBase)
        throw EOutOfMemory();
    FReserved = reserve;
}

TInflateBlock::~TInflateBlock()
{
    ReleaseSpace(FBase, FReserved);
}

void TInflateBlock::Grow(std::size_t size, std::size_t keep)
{
    if (size <= FCommitted)
        return;
    const std::size_t page = PageSize();
    if (size > FReserved) {
        // The one case that copies: a new reservation twice as large, then the kept bytes.
        TInflateBlock larger(std::max(RoundUp(size, page), FReserved * 2));
        if (larger.FReserved < size)
            throw EOutOfMemory();
        larger.Grow(size, 0);
        std::memcpy(larger.FBase, FBase, std::min(keep, FCommitted));
        std::swap(FBase, larger.FBase);
        std::swap(FReserved, larger.FReserved);
        std::swap(FCommitted, larger.FCommitted);
        return;
    }
    std::size_t wanted = std::min(FReserved, RoundUp(std::max({size, FCommitted * 2, CommitStep}), page));
    if (!CommitSpace(FBase, wanted)) {
        wanted = RoundUp(size, page);
        if (!CommitSpace(FBase, wanted))
            throw EOutOfMemory();
    }
    FCommitted = wanted;
}

std::size_t InflateInto(TInflateBlock& block, const void* inBuf, std::int32_t inBytes, std::int32_t outEstimate)
{
    if (inBytes < 0 || outEstimate < 0)
        throw EDecompressionError();

    const std::uint64_t increment = (static_cast<std::uint64_t>(inBytes) + 255) & ~std::uint64_t{255};
    std::uint64_t size = outEstimate ? static_cast<std::uint64_t>(outEstimate) : increment;
    block.Grow(static_cast<std::size_t>(size), 0);

    z_stream stream{};
    stream.next_in = static_cast<Bytef*>(const_cast<void*>(inBuf));
    stream.avail_in = static_cast<uInt>(inBytes);
    stream.next_out = block.Data();
    stream.avail_out = static_cast<uInt>(size);
    if (inflateInit(&stream) != Z_OK)
        throw EDecompressionError();
    // The stream ends on every path; on the way out of the loop, the end call's own failure counts.
    auto end = ScopeExit([&] { inflateEnd(&stream); });

    for (;;) {
        int result = inflate(&stream, Z_FINISH);
        if (result == Z_STREAM_END)
            break;
        const bool outputFull = (result == Z_OK || result == Z_BUF_ERROR) && stream.avail_out == 0;
        if (!outputFull || increment == 0)
            throw EDecompressionError();
        if (size + increment > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            throw EOutOfMemory();
        block.Grow(static_cast<std::size_t>(size + increment), static_cast<std::size_t>(size));
        stream.next_out = block.Data() + size;
        stream.avail_out = static_cast<uInt>(increment);
        size += increment;
    }
    end.Dismiss();
    if (inflateEnd(&stream) != Z_OK)
        throw EDecompressionError();
    return stream.total_out;
}

void InflateBuffer(const void* inBuf, std::int32_t inBytes, void*& outBuf, std::int32_t& outBytes,
                   std::int32_t outEstimate)
{
    outBuf = nullptr;
    outBytes = 0;
    TInflateBlock block;
    const std::size_t produced = InflateInto(block, inBuf, inBytes, outEstimate);
    // The shrink to the produced size: a heap block of exactly that many bytes.
    void* contents = std::malloc(produced ? produced : 1);
    if (!contents)
        throw EOutOfMemory();
    std::memcpy(contents, block.Data(), produced);
    outBytes = static_cast<std::int32_t>(produced);
    outBuf = contents;
}
