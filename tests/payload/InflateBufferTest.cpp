// InflateBuffer: the growing output space, the shrink, and the failures.
#include "../../setup/InflateBuffer.h"
#include "HandBuiltPayload.h"

#include <doctest.h>

#include <cstdlib>
#include <memory>

namespace {

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

}  // namespace

TEST_SUITE("InflateBuffer") {

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
