// InflateBuffer: the growing output space as zlib sees it, the block it grows in, the shrink, and
// the failures.
#include "../../payload/InflateBuffer.h"
#include "../../payload/RestorePayload.h"
#include "../../tools/PayloadWriter.h"
#include "../support/ScratchFolder.h"
#include "HandBuiltPayload.h"

#include <doctest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

// What zlib is given at each inflate call: the test program is linked with inflate wrapped, so every
// call of the code under test passes through here on its way to zlib.
struct TZlibCall {
    std::size_t Offset;       // bytes already produced: where in the block the output goes
    std::size_t AvailOut;     // the space given
    std::uintptr_t Base;      // the block's start as zlib sees it: next_out less what it produced
};

namespace {
std::vector<TZlibCall>* ZlibCalls = nullptr;
}

extern "C" int __real_inflate(z_streamp stream, int flush);
extern "C" int __wrap_inflate(z_streamp stream, int flush)
{
    if (ZlibCalls)
        ZlibCalls->push_back({stream->total_out, stream->avail_out,
                              reinterpret_cast<std::uintptr_t>(stream->next_out) - stream->total_out});
    return __real_inflate(stream, flush);
}

namespace {

// Records the inflate calls made while it lives.
struct TZlibRecording {
    std::vector<TZlibCall> Calls;
    TZlibRecording() { ZlibCalls = &Calls; }
    ~TZlibRecording() { ZlibCalls = nullptr; }
    TZlibRecording(const TZlibRecording&) = delete;
    TZlibRecording& operator=(const TZlibRecording&) = delete;
    std::set<std::uintptr_t> Bases() const
    {
        std::set<std::uintptr_t> bases;
        for (const TZlibCall& call : Calls)
            bases.insert(call.Base);
        return bases;
    }
};

struct TInflateResult {
    std::vector<std::uint8_t> Contents;
    std::string Error;
};

TInflateResult Inflate(const std::vector<std::uint8_t>& stored, std::int32_t estimate)
{
    void* out = reinterpret_cast<void*>(1);
    std::int32_t bytes = -1;
    try {
        InflateBuffer(stored.data(), static_cast<std::int32_t>(stored.size()), out, bytes, estimate);
    } catch (const Exception& e) {
        CHECK(out == nullptr);  // nothing is handed out on failure
        return {{}, e.what()};
    }
    std::unique_ptr<void, decltype(&std::free)> owned(out, &std::free);
    const auto* data = static_cast<const std::uint8_t*>(out);
    return {std::vector<std::uint8_t>(data, data + bytes), ""};
}

// 2,000,000 bytes in runs of 5,000: stored in a few kilobytes, so the output grows many times.
std::vector<std::uint8_t> Runs()
{
    std::vector<std::uint8_t> contents(2'000'000);
    for (std::size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<std::uint8_t>(i / 5000);
    return contents;
}

std::size_t RoundUp256(std::size_t size)
{
    return (size + 255) / 256 * 256;
}

// The output space zlib must be given for contents of this size: first the estimate, then one
// increment after another, each at the offset where the last one ended.
void CheckGrowth(const std::vector<TZlibCall>& calls, std::size_t first, std::size_t increment, std::size_t total)
{
    const std::size_t rounds = total <= first ? 1 : 1 + (total - first + increment - 1) / increment;
    REQUIRE(calls.size() == rounds);
    for (std::size_t k = 0; k < calls.size(); ++k) {
        CAPTURE(k);
        CHECK(calls[k].Offset == (k == 0 ? 0 : first + (k - 1) * increment));
        CHECK(calls[k].AvailOut == (k == 0 ? first : increment));
    }
}

std::vector<std::uint8_t> Contents(const TInflateBlock& block, std::size_t bytes)
{
    return std::vector<std::uint8_t>(block.Data(), block.Data() + bytes);
}

}  // namespace

TEST_SUITE("InflateBuffer") {

TEST_CASE("zlib gets the estimate first, then one increment at a time where it stopped, in a block that never moves")
{
    const std::vector<std::uint8_t> contents = Runs();
    const auto stored = ZlibStream(contents);
    const std::size_t increment = RoundUp256(stored.size());
    REQUIRE(increment != stored.size());  // the rounding shows
    const auto size = static_cast<std::int32_t>(stored.size());
    // estimate given -> the first output space
    struct TCase {
        std::int32_t Estimate;
        std::size_t First;
    };
    const TCase cases[] = {
        {0, increment}, {1, 1}, {2 * size, 2 * stored.size()}, {5'000'000, 5'000'000}};
    for (const TCase& c : cases) {
        const std::int32_t estimate = c.Estimate;
        const std::size_t first = c.First;
        CAPTURE(estimate);
        {
            TZlibRecording zlib;
            void* out = nullptr;
            std::int32_t bytes = 0;
            InflateBuffer(stored.data(), size, out, bytes, estimate);
            std::unique_ptr<void, decltype(&std::free)> owned(out, &std::free);
            CheckGrowth(zlib.Calls, first, increment, contents.size());
            CHECK(zlib.Bases().size() == 1);
            REQUIRE(bytes == static_cast<std::int32_t>(contents.size()));
            CHECK(std::memcmp(out, contents.data(), contents.size()) == 0);
        }
        TInflateBlock block;
        TZlibRecording zlib;
        const std::size_t bytes = InflateInto(block, stored.data(), size, estimate);
        CheckGrowth(zlib.Calls, first, increment, contents.size());
        CHECK(zlib.Bases() == std::set<std::uintptr_t>{reinterpret_cast<std::uintptr_t>(block.Data())});
        CHECK(Contents(block, bytes) == contents);
    }
}

TEST_CASE("each growth adds the stored size rounded up to 256: 256 and 512 stay as they are, 257 becomes 512")
{
    const std::pair<std::size_t, std::size_t> cases[] = {{256, 256}, {512, 512}, {257, 512}};  // stored -> growth
    for (const auto& c : cases) {
        const std::size_t storedSize = c.first;
        const std::size_t increment = c.second;
        CAPTURE(storedSize);
        // Some noise ahead of a long run of zeros: a stream of exactly this size that inflates to
        // many times it.
        std::vector<std::uint8_t> contents, stored;
        // Noise stores at about a byte a byte, and the zeros and the stream's frame take some more.
        for (auto noise = static_cast<unsigned>(storedSize - 200); stored.size() != storedSize && noise < storedSize; ++noise) {
            for (unsigned seed = 0; stored.size() != storedSize && seed < 4; ++seed) {
                contents = Noise(noise, seed);
                contents.resize(noise + 20'000);
                stored = ZlibStream(contents);
            }
        }
        REQUIRE(stored.size() == storedSize);
        TZlibRecording zlib;
        void* out = nullptr;
        std::int32_t bytes = 0;
        const auto size = static_cast<std::int32_t>(storedSize);
        InflateBuffer(stored.data(), size, out, bytes, 2 * size);
        std::unique_ptr<void, decltype(&std::free)> owned(out, &std::free);
        CheckGrowth(zlib.Calls, 2 * storedSize, increment, contents.size());
        CHECK(bytes == static_cast<std::int32_t>(contents.size()));
    }
}

TEST_CASE("a block that outgrows its reservation moves and keeps what zlib wrote before")
{
    const std::vector<std::uint8_t> contents = Runs();
    const auto stored = ZlibStream(contents);
    TInflateBlock block(1);
    const std::size_t reserved = block.Reserved();
    REQUIRE(reserved < contents.size() / 8);
    TZlibRecording zlib;
    const std::size_t bytes = InflateInto(block, stored.data(), static_cast<std::int32_t>(stored.size()), 0);
    CheckGrowth(zlib.Calls, RoundUp256(stored.size()), RoundUp256(stored.size()), contents.size());
    CHECK(zlib.Bases().size() > 1);
    CHECK(block.Reserved() >= contents.size());
    CHECK(Contents(block, bytes) == contents);

    SUBCASE("growing by hand: the kept bytes move along, within the reservation nothing moves")
    {
        TInflateBlock small(1);
        std::uint8_t* const before = small.Data();
        const std::size_t page = small.Reserved();
        small.Grow(page, 0);
        CHECK(small.Data() == before);
        REQUIRE(small.Capacity() == page);
        const std::vector<std::uint8_t> pattern = Noise(page, 5);
        std::memcpy(small.Data(), pattern.data(), page);
        small.Grow(3 * page, page);
        CHECK(small.Data() != before);
        CHECK(small.Capacity() >= 3 * page);
        CHECK(Contents(small, page) == pattern);
        small.Data()[3 * page - 1] = 1;  // the whole grown size is writable
    }
}

TEST_CASE("one block serves stream after stream, each giving exactly its own contents")
{
    TInflateBlock block;
    const std::vector<std::vector<std::uint8_t>> files = {Noise(700'000, 1), Bytes("ten bytes!"), {}, Runs(), Noise(3, 2)};
    std::uint8_t* const base = block.Data();
    for (std::size_t i = 0; i < files.size(); ++i) {
        CAPTURE(i);
        const auto stored = ZlibStream(files[i]);
        const std::size_t bytes = InflateInto(block, stored.data(), static_cast<std::int32_t>(stored.size()),
                                              static_cast<std::int32_t>(2 * stored.size()));
        CHECK(Contents(block, bytes) == files[i]);
        auto broken = stored;
        broken.back() ^= 1;
        CHECK_THROWS_AS(InflateInto(block, broken.data(), static_cast<std::int32_t>(broken.size()), 0), EDecompressionError);
    }
    CHECK(block.Data() == base);
}

TEST_CASE("the restore gives each file twice its stored size first and the same increments")
{
    const std::vector<TPayloadSourceFile> files = {
        {"runs.bin", Runs()}, {"noise.bin", Noise(300'000, 3)}, {"small.txt", Bytes("small")}, {"empty", {}}};
    const std::vector<std::uint8_t> bytes = WritePayload(files);
    const TPayload payload(bytes.data(), bytes.size());
    struct TMemorySink : TPayloadFileSink {
        std::vector<std::vector<std::uint8_t>> Files;
        void WriteFile(const TFileName&, const std::uint8_t* data, std::size_t size) override
        {
            Files.emplace_back(data, data + size);
        }
    } sink;
    TZlibRecording zlib;
    RestorePayload(payload, sink);
    REQUIRE(sink.Files.size() == files.size());
    std::size_t at = 0;
    for (std::int32_t i = 0; i < payload.Count(); ++i) {
        CAPTURE(i);
        CHECK(sink.Files[i] == files[i].Contents);
        const std::size_t stored = static_cast<std::size_t>(payload.StoredSize(i));
        const std::size_t first = 2 * stored;
        const std::size_t rounds = files[i].Contents.size() <= first
                                       ? 1
                                       : 1 + (files[i].Contents.size() - first + RoundUp256(stored) - 1) / RoundUp256(stored);
        REQUIRE(at + rounds <= zlib.Calls.size());
        CheckGrowth({zlib.Calls.begin() + at, zlib.Calls.begin() + at + rounds}, first, RoundUp256(stored),
                    files[i].Contents.size());
        at += rounds;
    }
    CHECK(at == zlib.Calls.size());
}

TEST_CASE("the output grows until the whole stream is inflated, whatever the estimate")
{
    std::vector<std::uint8_t> contents(2'000'000);
    for (std::size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<std::uint8_t>(i / 5000);
    const auto stored = ZlibStream(contents);
    REQUIRE(stored.size() * 100 < contents.size());
    for (std::int32_t estimate : {0, 1, static_cast<std::int32_t>(2 * stored.size()), 5'000'000}) {
        CAPTURE(estimate);
        const TInflateResult result = Inflate(stored, estimate);
        CHECK(result.Error.empty());
        CHECK(result.Contents == contents);
    }
}

TEST_CASE("an empty file inflates to zero bytes")
{
    const TInflateResult result = Inflate(ZlibStream({}), 0);
    CHECK(result.Error.empty());
    CHECK(result.Contents.empty());
}

TEST_CASE("every zlib failure is a decompression error with the text \"error\"")
{
    auto stored = ZlibStream(std::vector<std::uint8_t>(10000, 'a'));
    SUBCASE("a bad header") { stored[0] = 0x12; }
    SUBCASE("a failed Adler-32 check") { stored.back() ^= 0x40; }
    SUBCASE("input that ends before the stream") { stored.resize(stored.size() - 5); }
    SUBCASE("no input") { stored.clear(); }
    CHECK(Inflate(stored, 0).Error == "error");
    try {
        void* out = nullptr;
        std::int32_t bytes = 0;
        InflateBuffer(stored.data(), static_cast<std::int32_t>(stored.size()), out, bytes, 0);
        FAIL("no error raised");
    } catch (const EZlibError& e) {
        CHECK(dynamic_cast<const EDecompressionError*>(&e) != nullptr);
    }
}

}  // TEST_SUITE
