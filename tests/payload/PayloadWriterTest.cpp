// The producer: the names it refuses, the same bytes from any number of threads with the files in
// their given order, its progress, and its smallest streams.
#include "../../tools/PayloadWriter.h"
#include "../../framework/Exceptions.h"
#include "../../payload/RestorePayload.h"
#include "../support/ScratchFolder.h"
#include "HandBuiltPayload.h"

#include <doctest.h>
#include <zlib.h>

#include <thread>

namespace {

// Numbered lines: text that deflates well, where zopfli finds more than zlib.
std::vector<std::uint8_t> Lines(std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += "item " + std::to_string(i * 7919 % 1000) + " holds " + std::to_string(i * i % 997) + "\r\n";
    return Bytes(text);
}

// Given smallest first, so that the writer, which compresses the largest first, finishes them out
// of their order.
const std::vector<TPayloadSourceFile> Mixed = {
    {"empty.dat", {}}, {"lines.txt", Lines(800)}, {"noise.bin", Noise(150'000, 1)},
    {"more-lines.txt", Lines(9000)}, {"zeros.bin", std::vector<std::uint8_t>(1'500'000, 0)},
};
// The same kinds of contents, small enough for zopfli to take a fraction of a second.
const std::vector<TPayloadSourceFile> Small = {
    {"empty.dat", {}}, {"noise.bin", Noise(5'000, 2)}, {"lines.txt", Lines(500)},
    {"zeros.bin", std::vector<std::uint8_t>(50'000, 0)},
};

// Each entry's name and its stored stream inflated by zlib itself, in directory order.
std::vector<TPayloadSourceFile> Entries(const std::vector<std::uint8_t>& bytes)
{
    const TPayload payload(bytes.data(), bytes.size());
    std::vector<TPayloadSourceFile> entries;
    for (std::int32_t i = 0; i < payload.Count(); ++i) {
        std::vector<std::uint8_t> contents(2'000'000);
        uLongf size = static_cast<uLongf>(contents.size());
        REQUIRE(uncompress(contents.data(), &size, payload.StoredData(i), static_cast<uLong>(payload.StoredSize(i))) == Z_OK);
        contents.resize(size);
        entries.push_back({PayloadEntryName(payload.Entry(i)), contents});
    }
    return entries;
}

TPayloadWriteOptions Options(unsigned threads, TPayloadCompression compression = TPayloadCompression::Standard)
{
    TPayloadWriteOptions options;
    options.Threads = threads;
    options.Compression = compression;
    return options;
}

}  // namespace

// Outside the unnamed namespace, where the comparisons of std::vector find it.
static bool operator==(const TPayloadSourceFile& a, const TPayloadSourceFile& b)
{
    return a.Name == b.Name && a.Contents == b.Contents;
}

TEST_SUITE("WritePayload") {

TEST_CASE("names the producer refuses")
{
    const auto refused = [](std::vector<TPayloadSourceFile> files) {
        try {
            WritePayload(files);
        } catch (const Exception& e) {
            return std::string(e.what());
        }
        return std::string("(accepted)");
    };
    CHECK(refused({{std::string(257, 'x'), {}}}).starts_with("name longer than 256 bytes"));
    CHECK(refused({{"sub\\a.txt", {}}}).starts_with("name with a folder part"));
    CHECK(refused({{"sub/a.txt", {}}}).starts_with("name with a folder part"));
    CHECK(refused({{"a.txt", {}}, {"A.TXT", {}}}).starts_with("name given twice"));
    CHECK(refused({{"aux.h", {}}}).starts_with("name that Windows cannot hold safely"));
    CHECK(refused({{"a.txt", {}}, {"COM\xB9.txt", {}}}).starts_with("name that Windows cannot hold safely"));
    CHECK(refused({{"lpt\xB3", {}}}).starts_with("name that Windows cannot hold safely"));
    CHECK(refused({{"c:x", {}}}).starts_with("name that Windows cannot hold safely"));
    CHECK(refused({{"a.txt", Bytes("x")}, {"b.txt", {}}}) == "(accepted)");
}

TEST_CASE("any number of threads gives the same bytes, with the files in their given order")
{
    const std::vector<std::uint8_t> serial = WritePayload(Mixed, Options(1));
    CHECK(Entries(serial) == Mixed);
    for (unsigned threads : {2u, 3u, 8u, 0u}) {
        CAPTURE(threads);
        CHECK(WritePayload(Mixed, Options(threads)) == serial);
    }
}

TEST_CASE("progress reaches the caller's own thread while the work goes on, never goes back and ends at the total")
{
    // Lines enough for a second of the best level: the progress is reported on the way.
    std::vector<TPayloadSourceFile> files = Mixed;
    files.push_back({"long.txt", Lines(500'000)});
    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
    bool elsewhere = false;
    const auto caller = std::this_thread::get_id();
    TPayloadWriteOptions options = Options(2);
    options.OnProgress = [&](std::uint64_t done, std::uint64_t total) {
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        seen.emplace_back(done, total);
    };
    WritePayload(files, options);
    std::uint64_t total = 0;
    for (const TPayloadSourceFile& file : files)
        total += file.Contents.size();
    REQUIRE(seen.size() > 1);
    CHECK(seen.front().first > 0);
    CHECK(!elsewhere);
    CHECK(seen.back() == std::pair(total, total));
    for (std::size_t i = 1; i < seen.size(); ++i)
        CHECK((seen[i - 1].first <= seen[i].first && seen[i].first <= total && seen[i].second == total));
}

TEST_CASE("the smallest compression writes ordinary zlib streams, smaller than the standard ones")
{
#ifdef _WIN32
    // The Windows builds go without zopfli: asking for it is refused, not quietly ignored.
    CHECK(!SmallestCompressionAvailable());
    CHECK_THROWS_WITH_AS(WritePayload({}, Options(0, TPayloadCompression::Smallest)),
                         "the smallest compression needs the zopfli library, which this build lacks", Exception);
#else
    REQUIRE(SmallestCompressionAvailable());
    const std::vector<std::uint8_t> smallest = WritePayload(Small, Options(1, TPayloadCompression::Smallest));
    CHECK(Entries(smallest) == Small);
    CHECK(WritePayload(Small, Options(3, TPayloadCompression::Smallest)) == smallest);
    const std::vector<std::uint8_t> standard = WritePayload(Small);
    const TPayload small(smallest.data(), smallest.size()), usual(standard.data(), standard.size());
    for (std::int32_t i = 0; i < small.Count(); ++i) {
        CAPTURE(PayloadEntryName(small.Entry(i)));
        CHECK(small.StoredSize(i) <= usual.StoredSize(i));
    }
    CHECK(small.StoredSize(2) < usual.StoredSize(2) * 97 / 100);  // zopfli saves several per cent on text
#endif
}

}  // TEST_SUITE
