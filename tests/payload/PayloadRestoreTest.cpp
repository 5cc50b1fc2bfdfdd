// Restoring payloads: what the walk writes, and what it refuses before writing anything.
#include "../../payload/InflateBuffer.h"
#include "../../payload/RestorePayload.h"
#include "../../tools/FolderFileSink.h"
#include "../../tools/PayloadWriter.h"
#include "../support/ScratchFolder.h"
#include "HandBuiltPayload.h"

#include <doctest.h>

#include <cstdio>

namespace {

// Restores into the folder and returns the counts the progress callbacks saw.
std::vector<std::int32_t> Restore(const std::vector<std::uint8_t>& bytes, const TScratchFolder& folder)
{
    std::vector<std::int32_t> seen;
    const TPayload payload(bytes.data(), bytes.size());
    TFolderFileSink sink(folder.Path());
    RestorePayload(payload, sink, {[&](std::int32_t n) { seen.push_back(n); }, [&](std::int32_t i) { seen.push_back(i); }});
    return seen;
}

std::size_t FileCount(const TScratchFolder& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.Path()), {}));
}

// "f" and the number (built without string concatenation, which GCC 12 misreads at -O3).
std::string NumberedName(std::size_t i)
{
    char name[24];
    std::snprintf(name, sizeof name, "f%zu", i);
    return name;
}

template <typename TError>
std::string ErrorOf(const std::vector<std::uint8_t>& bytes, const TScratchFolder& folder)
{
    try {
        Restore(bytes, folder);
    } catch (const TError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST_SUITE("RestorePayload") {

TEST_CASE("a payload assembled from the format description restores byte for byte")
{
    // An odd and an even count put the first stored byte on key bytes 12 and 4.
    for (std::size_t n : {1u, 2u, 3u, 4u}) {
        CAPTURE(n);
        TScratchFolder folder;
        std::vector<THandEntry> entries;
        for (std::size_t i = 0; i < n; ++i)
            entries.push_back(HandEntry("file" + std::to_string(i) + ".bin", Noise(1000 + 37 * i, static_cast<unsigned>(i))));
        CHECK(Restore(HandBuiltPayload(entries), folder).size() == n + 1);
        for (std::size_t i = 0; i < n; ++i)
            CHECK(ReadBytes(folder / ("file" + std::to_string(i) + ".bin")) == Noise(1000 + 37 * i, static_cast<unsigned>(i)));
    }
}

TEST_CASE("the first stored byte uses table byte 4 or 12 and word byte 0")
{
    const std::vector<std::uint8_t> bytes = WritePayload({{"a.txt", Bytes("x")}});
    std::vector<std::uint8_t> plain = bytes;
    DescramblePayload(plain.data(), plain.size(), PayloadDataStart(1));
    // With one entry the data starts at 268: table byte 12, word byte 0.
    CHECK(bytes[268] == (plain[268] ^ PayloadKeyTable[12] ^ static_cast<std::uint8_t>(PayloadKeyWord)));
    CHECK(plain[268] == 0x78);  // the zlib header's first byte
    std::vector<std::uint8_t> none = HandBuiltPayload({}, {0x00});
    CHECK(none[4] == (PayloadKeyTable[4] ^ static_cast<std::uint8_t>(PayloadKeyWord)));
}

TEST_CASE("the producer's payloads restore what went in")
{
    TScratchFolder folder;
    const std::vector<TPayloadSourceFile> files = {
        {"readme.txt", Bytes("hello\r\nworld\r\n")},
        {"noise.bin", Noise(5000, 7)},
        {"empty.dat", {}},
        {"zeros.bin", std::vector<std::uint8_t>(3'000'000, 0)},
    };
    const std::vector<std::uint8_t> bytes = WritePayload(files);
    CHECK(Restore(bytes, folder) == std::vector<std::int32_t>{4, 0, 1, 2, 3});
    for (const TPayloadSourceFile& file : files)
        CHECK(ReadBytes(folder / file.Name) == file.Contents);

    SUBCASE("the same files give the same bytes, with the offsets the format prescribes")
    {
        CHECK(WritePayload(files) == bytes);
        const TPayload payload(bytes.data(), bytes.size());
        std::int64_t expected = 4 + 264 * 4;
        for (std::int32_t i = 0; i < payload.Count(); ++i) {
            CHECK(payload.Entry(i).Offset == expected);
            expected += payload.StoredSize(i);
        }
        CHECK(expected == static_cast<std::int64_t>(bytes.size()));
        CHECK(payload.StoredSize(3) * 300 < 3'000'000);  // inflates to hundreds of times its size
    }
}

TEST_CASE("a directory and stored data larger than the copy's slices restore byte for byte")
{
    // 1,100 entries put the first stored byte past the first 256 KiB; the large file spans slices.
    struct TMemorySink : TPayloadFileSink {
        std::vector<std::pair<TFileName, std::vector<std::uint8_t>>> Files;
        void WriteFile(const TFileName& name, const std::uint8_t* data, std::size_t size) override
        {
            Files.emplace_back(name, std::vector<std::uint8_t>(data, data + size));
        }
    } sink;
    std::vector<THandEntry> entries;
    std::vector<std::vector<std::uint8_t>> contents;
    for (unsigned i = 0; i < 1100; ++i) {
        contents.push_back(Noise(i == 700 ? 900'000 : 1 + i % 97, i));
        entries.push_back(HandEntry(NumberedName(i), contents.back()));
    }
    const auto bytes = HandBuiltPayload(entries, Noise(77, 1));
    REQUIRE(PayloadDataStart(1100) > (256u << 10));
    RestorePayload(TPayload(bytes.data(), bytes.size()), sink);
    REQUIRE(sink.Files.size() == contents.size());
    for (std::size_t i = 0; i < contents.size(); ++i) {
        CAPTURE(i);
        CHECK(sink.Files[i].first == FileName(NumberedName(i)));
        CHECK(sink.Files[i].second == contents[i]);
    }
}

TEST_CASE("a name that fills all 256 bytes is used whole")
{
    // File systems cap a name at 255 characters, so the sink records what it was asked to write.
    struct TRecordingSink : TPayloadFileSink {
        std::vector<TFileName> Names;
        void WriteFile(const TFileName& name, const std::uint8_t*, std::size_t) override { Names.push_back(name); }
    } sink;
    const std::string longName(256, 'n');
    const auto bytes = HandBuiltPayload({HandEntry(longName + "overflow", Bytes("x")), HandEntry("short", Bytes("y"))});
    RestorePayload(TPayload(bytes.data(), bytes.size()), sink);
    CHECK(sink.Names == std::vector<TFileName>{FileName(longName), FileName("short")});
}

TEST_CASE("the directory's names are read where they lie, and none from a directory that does not fit")
{
    const std::string longName(256, 'n');
    auto bytes = HandBuiltPayload({HandEntry(longName + "overflow", Bytes("x")), HandEntry("short", Bytes("y"))});
    CHECK(PayloadNames(bytes.data(), bytes.size()) == std::vector<std::string>{longName, "short"});
    CHECK(PayloadNames(bytes.data(), 4 + 2 * 264) == std::vector<std::string>{longName, "short"});
    CHECK(PayloadNames(bytes.data(), 4 + 2 * 264 - 1).empty());
    CHECK(PayloadNames(bytes.data(), 3).empty());
    PutLE32(bytes, 0, -1);
    CHECK(PayloadNames(bytes.data(), bytes.size()).empty());
}

TEST_CASE("an empty payload writes nothing and reports a count of 0")
{
    TScratchFolder folder;
    CHECK(Restore(WritePayload({}), folder) == std::vector<std::int32_t>{0});
    CHECK(FileCount(folder) == 0);
}

TEST_CASE("trailing bytes and wrong offset fields do not matter")
{
    TScratchFolder folder;
    THandEntry a = HandEntry("a.txt", Bytes("first"));
    THandEntry b = HandEntry("b.txt", Bytes("second"));
    a.Offset = 0x7FFFFFFF;
    b.Offset = 12;
    Restore(HandBuiltPayload({a, b}, Noise(333, 3)), folder);
    CHECK(ReadBytes(folder / "a.txt") == Bytes("first"));
    CHECK(ReadBytes(folder / "b.txt") == Bytes("second"));
}

TEST_CASE("an existing file of the same name is replaced")
{
    TScratchFolder folder;
    WriteBytes(folder / "a.txt", Noise(10000, 1));
    Restore(WritePayload({{"a.txt", Bytes("new")}}), folder);
    CHECK(ReadBytes(folder / "a.txt") == Bytes("new"));
}

TEST_CASE("a damaged structure is refused before any file is written")
{
    TScratchFolder folder;
    const THandEntry good = HandEntry("good.txt", Bytes("good"));
    std::vector<std::uint8_t> bytes;

    SUBCASE("shorter than the count") { bytes = {1, 0}; }
    SUBCASE("a negative count")
    {
        bytes = HandBuiltPayload({good});
        PutLE32(bytes, 0, -1);
    }
    SUBCASE("a directory that runs past the end")
    {
        bytes = HandBuiltPayload({good});
        PutLE32(bytes, 0, 1000);
    }
    SUBCASE("a count whose directory size overflows 32 bits")
    {
        bytes = HandBuiltPayload({good});
        PutLE32(bytes, 0, 0x7FFFFFFF);
    }
    SUBCASE("a negative stored size")
    {
        bytes = HandBuiltPayload({good, good});
        PutLE32(bytes, 4 + 264 + 260, -5);
    }
    SUBCASE("stored data that runs past the end")
    {
        bytes = HandBuiltPayload({good, good});
        PutLE32(bytes, 4 + 264 + 260, static_cast<std::int32_t>(bytes.size()));
    }
    CHECK(ErrorOf<EPayloadDamaged>(bytes, folder) == "Setup Data is damaged.");
    CHECK(FileCount(folder) == 0);
}

TEST_CASE("a name that could leave the target folder is refused before any file is written")
{
    for (const char* name : {"..\\..\\x.dll", "\\x", "/x", "C:x", "a:stream", "\\\\server\\share\\x", "sub/../../x",
                             "CON", "nul.txt", "lpt1", "com9.log", "dir\\aux", "trailing.", "trailing ", "..", "",
                             "a\\\\b", "sub\\",
                             // the superscript digits of code page 1252 name the same devices
                             "COM\xB9", "com\xB2.txt", "Lpt\xB3", "lpt\xB9 .log", "dir\\COM\xB3", "LPT\xB2",
                             // a double-byte character whose trail byte is 0x5C is split there: at
                             // worst a name is refused, never let out
                             "\x83\x5C", "\x83\x5C..\\x"}) {
        CAPTURE(name);
        TScratchFolder folder;
        const auto bytes = HandBuiltPayload({HandEntry("first.txt", Bytes("1")), HandEntry(name, Bytes("2"))});
        CHECK(ErrorOf<EInOutError>(bytes, folder) == "Invalid filename");
        CHECK(FileCount(folder) == 0);
    }
}

TEST_CASE("ordinary names stay allowed, a sub-folder part only where the sub-folder exists")
{
    for (const char* name : {"a.txt", "com10", "console.txt", "lpt", "x..y", ".hidden", "name with spaces.txt",
                             "COM\xB4", "LPT\xBC", "com\xB9\xB9", "\xB9" "COM", "\x83\x5C.txt", "\x95\x5CReadMe.txt"})
        CHECK_MESSAGE(IsSafePayloadName(name), name);
    TScratchFolder folder;
    const auto bytes = HandBuiltPayload({HandEntry("sub\\f.txt", Bytes("in sub"))});
    CHECK(ErrorOf<EInOutError>(bytes, folder) == "Invalid filename");
    std::filesystem::create_directory(folder / "sub");
    Restore(bytes, folder);
    CHECK(ReadBytes(folder / "sub" / "f.txt") == Bytes("in sub"));
}

TEST_CASE("read character by character, a name splits only at its separators and names devices in any spelling")
{
    // As decoded: "ソ" and "表" are one character each, "¹" is a superscript digit however stored.
    const struct {
        std::u32string Name;
        bool Safe;
    } rows[] = {
        {U"\u30BD", true}, {U"\u8868.txt", true}, {U"\u76EE\u9332\u8868", true}, {U"Caf\u00E9.txt", true},
        {U"\U0001F992.txt", true}, {U"COM\u00B9", false}, {U"lpt\u00B3 .log", false}, {U"com\u00B2.txt", false},
        {U"COM\u00B4", true}, {U"\u0143ON.txt", true}, {U"\u30BD\\..\\x", false}, {U"\u8868.", false}, {U"a:b", false},
        {U"\\x", false},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.Name.begin(), row.Name.end()));
        CHECK(IsSafePayloadName(std::wstring(row.Name.begin(), row.Name.end())) == row.Safe);
    }
}

TEST_CASE("a UTF-8 text decodes to its characters, and anything else is not UTF-8")
{
    CHECK(DecodeUtf8("") == U"");
    CHECK(DecodeUtf8("Caf\xC3\xA9 \xE9\x95\xBF\xF0\x9F\xA6\x92\xEF\xBF\xBF\xF4\x8F\xBF\xBF") ==
          U"Caf\u00E9 \u957F\U0001F992\uFFFF\U0010FFFF");
    for (const char* text : {"Caf\xE9.txt", "\x80", "\xC3", "\xC3\x28", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF",
                             "\xF0\x80\x80\xAF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80",
                             "\xE9\x95", "\xFF"}) {
        CAPTURE(text);
        CHECK_FALSE(DecodeUtf8(text));
    }
}

TEST_CASE("the names a reader gives are the ones written, and a name it refuses stops the restore first")
{
    TScratchFolder folder;
    const auto bytes = HandBuiltPayload({HandEntry("a.txt", Bytes("1")), HandEntry("b.txt", Bytes("2"))});
    const TPayload payload(bytes.data(), bytes.size(), [](std::string_view stored) -> std::optional<TFileName> {
        return FileName("read-" + std::string(stored));
    });
    CHECK(payload.Name(1) == FileName("read-b.txt"));
    CHECK(PayloadEntryName(payload.Entry(1)) == "b.txt");
    TFolderFileSink sink(folder.Path());
    RestorePayload(payload, sink);
    CHECK(ReadBytes(folder / "read-a.txt") == Bytes("1"));
    CHECK(ReadBytes(folder / "read-b.txt") == Bytes("2"));

    const auto refuse = [](std::string_view stored) -> std::optional<TFileName> {
        return stored == "b.txt" ? std::nullopt : std::optional<TFileName>(FileName(stored));
    };
    CHECK_THROWS_WITH_AS(TPayload(bytes.data(), bytes.size(), refuse), "Invalid filename", EInOutError);
}

TEST_CASE("corrupt or truncated stored data fails with \"error\" and keeps the files written before")
{
    TScratchFolder folder;
    THandEntry bad = HandEntry("b.txt", Noise(4000, 9));
    SUBCASE("truncated") { bad.Stored.resize(bad.Stored.size() / 2); }
    SUBCASE("a flipped byte in the checksum") { bad.Stored.back() ^= 1; }
    SUBCASE("not zlib at all") { bad.Stored = Noise(300, 4); }
    SUBCASE("no bytes at all") { bad.Stored.clear(); }
    CHECK(ErrorOf<EDecompressionError>(HandBuiltPayload({HandEntry("a.txt", Bytes("kept")), bad}), folder) == "error");
    CHECK(ReadBytes(folder / "a.txt") == Bytes("kept"));
    CHECK_FALSE(std::filesystem::exists(folder / "b.txt"));
}

}  // TEST_SUITE
