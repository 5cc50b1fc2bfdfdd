// The restore benchmark: restoring 64 MiB of mixed files from a payload against the work itself,
// bare zlib inflation of the same stored streams plus a bare write of the same bytes into a new
// folder, measured side by side in interleaved rounds of one run; and the peak memory of one
// restore, in a process of its own.
#include "../payload/RestorePayload.h"
#include "../tools/PayloadWriter.h"
#ifdef _WIN32
#include "../payload/Win32FileSink.h"

#include <windows.h>

#include <psapi.h>
#else
#include "../tools/FolderFileSink.h"
#endif

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int Rounds = 7;
#ifdef _WIN32
constexpr double TargetRatio = 1.2;
#else
constexpr double TargetRatio = 1.05;
#endif
constexpr std::size_t MiB = 1 << 20;

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point start)
{
    return std::chrono::duration<double>(TClock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// splitmix64: the same bytes on every run and every target.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : FState(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }

private:
    std::uint64_t FState;
};

// Lines of words from a small vocabulary, frequent words more often, with numbers: about 3:1.
std::vector<std::uint8_t> TextLike(std::size_t size, TRandom& random)
{
    std::vector<std::string> words(400);
    for (std::string& word : words) {
        const std::uint32_t length = 2 + random.Below(9);
        for (std::uint32_t i = 0; i < length; ++i)
            word += static_cast<char>('a' + random.Below(26));
    }
    std::vector<std::uint8_t> out;
    out.reserve(size + 64);
    std::uint32_t column = 0;
    while (out.size() < size) {
        std::string token = words[std::min(random.Below(400), random.Below(400))];
        if (random.Below(12) == 0)
            token = std::to_string(random.Below(100000));
        out.insert(out.end(), token.begin(), token.end());
        column += static_cast<std::uint32_t>(token.size()) + 1;
        out.push_back(column > 60 + random.Below(20) ? '\n' : ' ');
        if (out.back() == '\n')
            column = 0;
    }
    out.resize(size);
    return out;
}

// 32-byte records: counters, small enumerations and noisy fields, as in tables and executables.
std::vector<std::uint8_t> BinaryLike(std::size_t size, TRandom& random)
{
    std::vector<std::uint8_t> out(size);
    std::uint32_t id = 0, offset = 0;
    for (std::size_t at = 0; at + 32 <= size; at += 32) {
        const std::uint32_t fields[8] = {id++,
                                         random.Below(6) | (random.Below(4) << 16),
                                         offset += 16 + random.Below(512),
                                         static_cast<std::uint32_t>(random.Next()),
                                         random.Below(1000),
                                         random.Below(3) == 0 ? static_cast<std::uint32_t>(random.Next()) : 0u,
                                         0x00400000u + random.Below(65536),
                                         static_cast<std::uint32_t>(random.Next()) & 0x0F0F0F0Fu};
        for (std::size_t i = 0; i < 8; ++i)
            for (std::size_t b = 0; b < 4; ++b)
                out[at + 4 * i + b] = static_cast<std::uint8_t>(fields[i] >> (8 * b));
    }
    return out;
}

// Long runs of a few byte values with a rare short tag: hundreds to one.
std::vector<std::uint8_t> HighlyCompressible(std::size_t size, TRandom& random)
{
    static constexpr std::uint8_t fills[] = {0x00, 0x00, 0x00, 0xFF, 0x20, 0xCC};
    std::vector<std::uint8_t> out;
    out.reserve(size + 65536 + 16);
    while (out.size() < size) {
        out.insert(out.end(), 1024 + random.Below(64 * 1024), fills[random.Below(6)]);
        for (int i = 0; i < 16; ++i)
            out.push_back(static_cast<std::uint8_t>(random.Next()));
    }
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> Incompressible(std::size_t size, TRandom& random)
{
    std::vector<std::uint8_t> out(size);
    for (std::uint8_t& b : out)
        b = static_cast<std::uint8_t>(random.Next() >> 56);
    return out;
}

std::uint32_t Crc(const std::uint8_t* data, std::size_t size)
{
    return static_cast<std::uint32_t>(crc32(0, data, static_cast<uInt>(size)));
}

struct TExpected {
    std::string Name;
    std::size_t Size;
    std::uint32_t Crc;
};

// Four kinds, four files each, 16 MiB per kind; uneven sizes so no file is a round number.
std::vector<std::uint8_t> BuildPayload(std::vector<TExpected>& expected)
{
    using TMaker = std::vector<std::uint8_t> (*)(std::size_t, TRandom&);
    struct TKind {
        const char* Stem;
        TMaker Make;
    };
    static constexpr TKind kinds[] = {
        {"text", TextLike}, {"binary", BinaryLike}, {"runs", HighlyCompressible}, {"random", Incompressible}};
    static constexpr std::size_t megabytes[] = {1, 3, 5, 7};
    static constexpr long adjust[] = {517, -311, 1031, -1237};

    TRandom random(20240611);
    std::vector<TPayloadSourceFile> files;
    for (const TKind& kind : kinds) {
        for (std::size_t i = 0; i < 4; ++i) {
            const auto size = static_cast<std::size_t>(static_cast<long>(megabytes[i] * MiB) + adjust[i]);
            TPayloadSourceFile file{std::string(kind.Stem) + "-" + std::to_string(i + 1) + ".dat", kind.Make(size, random)};
            expected.push_back({file.Name, file.Contents.size(), Crc(file.Contents.data(), file.Contents.size())});
            files.push_back(std::move(file));
        }
    }
    return WritePayload(files);
}

// Bare zlib: every stored stream inflated in one call into a buffer already of the right size.
double BareInflate(const TPayload& reference, std::vector<std::vector<std::uint8_t>>& outputs)
{
    const TClock::time_point start = TClock::now();
    for (std::int32_t i = 0; i < reference.Count(); ++i) {
        uLongf length = static_cast<uLongf>(outputs[i].size());
        if (uncompress(outputs[i].data(), &length, reference.StoredData(i), static_cast<uLong>(reference.StoredSize(i))) !=
                Z_OK ||
            length != outputs[i].size())
            throw Exception("bare inflation failed for " + PayloadEntryName(reference.Entry(i)));
    }
    return SecondsSince(start);
}

// The same, each output in a block of its own allocated and freed around it, as the restore does:
// the difference to the bare time is the allocator's and the fresh pages' share.
double BareInflateFresh(const TPayload& reference, const std::vector<TExpected>& expected)
{
    const TClock::time_point start = TClock::now();
    for (std::int32_t i = 0; i < reference.Count(); ++i) {
        std::unique_ptr<Bytef[]> block(new Bytef[expected[i].Size]);
        uLongf length = static_cast<uLongf>(expected[i].Size);
        if (uncompress(block.get(), &length, reference.StoredData(i), static_cast<uLong>(reference.StoredSize(i))) != Z_OK ||
            length != expected[i].Size)
            throw Exception("bare inflation failed for " + PayloadEntryName(reference.Entry(i)));
    }
    return SecondsSince(start);
}

// Bare writing: each output written whole into a new file of the folder with one call, as simply as
// the platform allows, under the names the restore uses.
double BareWrite(const std::vector<std::vector<std::uint8_t>>& outputs, const std::vector<TExpected>& expected,
                 const fs::path& folder)
{
    const TClock::time_point start = TClock::now();
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::string path = (folder / expected[i].Name).string();
#ifdef _WIN32
        const HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        const bool ok = file != INVALID_HANDLE_VALUE &&
                        ::WriteFile(file, outputs[i].data(), static_cast<DWORD>(outputs[i].size()), &written, nullptr) &&
                        written == outputs[i].size();
        if (file == INVALID_HANDLE_VALUE || !CloseHandle(file) || !ok)
#else
        std::FILE* file = std::fopen(path.c_str(), "wb");
        const bool ok = file && std::fwrite(outputs[i].data(), 1, outputs[i].size(), file) == outputs[i].size();
        if (!file || std::fclose(file) != 0 || !ok)
#endif
            throw Exception("bare writing failed for " + expected[i].Name);
    }
    return SecondsSince(start);
}

// Passes every file on and keeps the time spent writing.
class TTimedSink : public TPayloadFileSink {
public:
    explicit TTimedSink(TPayloadFileSink& inner) : FInner(inner) {}
    void WriteFile(const TFileName& name, const std::uint8_t* data, std::size_t size) override
    {
        const TClock::time_point start = TClock::now();
        FInner.WriteFile(name, data, size);
        FSeconds += SecondsSince(start);
    }
    double Seconds() const { return FSeconds; }

private:
    TPayloadFileSink& FInner;
    double FSeconds = 0;
};

struct TRestoreTimes {
    double Total, Copy, Inflate, Write;
};

// The restore as the setup runs it: a private descrambled copy, then inflate and write per file.
TRestoreTimes Restore(const std::vector<std::uint8_t>& bytes, const fs::path& folder)
{
#ifdef _WIN32
    TWin32FileSink sink(folder.wstring() + L"\\");
#else
    TFolderFileSink sink(folder);
#endif
    TTimedSink timed(sink);
    TRestoreTimes times{};
    const TClock::time_point start = TClock::now();
    {
        const TPayload payload(bytes.data(), bytes.size());
        times.Copy = SecondsSince(start);
        const TClock::time_point walk = TClock::now();
        RestorePayload(payload, timed);
        times.Write = timed.Seconds();
        times.Inflate = SecondsSince(walk) - times.Write;
    }
    times.Total = SecondsSince(start);
    return times;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// A measurement of a wrong restore is worthless: check every byte once before timing.
void Verify(const std::vector<TExpected>& expected, const fs::path& folder,
            const std::vector<std::vector<std::uint8_t>>& bareOutputs)
{
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::vector<std::uint8_t> restored = ReadFile(folder / expected[i].Name);
        if (restored.size() != expected[i].Size || Crc(restored.data(), restored.size()) != expected[i].Crc)
            throw Exception("restored file differs: " + expected[i].Name);
        if (Crc(bareOutputs[i].data(), bareOutputs[i].size()) != expected[i].Crc)
            throw Exception("bare inflation differs: " + expected[i].Name);
    }
}

// A folder of its own under the system temp folder, removed with everything in it.
class TScratch {
public:
    TScratch()
    {
        const auto stamp = TClock::now().time_since_epoch().count();
        FPath = fs::temp_directory_path() / ("unpack-bench-" + std::to_string(stamp));
        fs::create_directories(FPath);
    }
    ~TScratch()
    {
        std::error_code ignored;
        fs::remove_all(FPath, ignored);
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;

    // An empty folder for one round, as a fresh install gets.
    fs::path Round(int n) const
    {
        fs::path folder = FPath / ("round-" + std::to_string(n));
        fs::remove_all(folder);
        fs::create_directory(folder);
        return folder;
    }

private:
    fs::path FPath;
};

// The process's working set now and at its peak, in bytes, as the platform reports them.
struct TWorkingSet {
    std::size_t Current = 0, Peak = 0;
};

TWorkingSet ReadWorkingSet()
{
    TWorkingSet set;
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        set.Current = counters.WorkingSetSize;
        set.Peak = counters.PeakWorkingSetSize;
    }
#else
    std::ifstream status("/proc/self/status");
    std::string key;
    std::size_t kilobytes;
    while (status >> key) {
        if ((key == "VmRSS:" || key == "VmHWM:") && status >> kilobytes)
            (key == "VmRSS:" ? set.Current : set.Peak) = kilobytes * 1024;
    }
#endif
    return set;
}

// The child's side of the memory figure: the payload read into memory as the program's resource
// would be, then one restore; writes the working set before it and the peak after it.
int MeasurePeak(const fs::path& payloadFile, const fs::path& folder, const fs::path& report)
{
    const std::vector<std::uint8_t> bytes = ReadFile(payloadFile);
    const TWorkingSet before = ReadWorkingSet();
    Restore(bytes, folder);
    const TWorkingSet after = ReadWorkingSet();
    std::ofstream(report) << before.Current << ' ' << before.Peak << ' ' << after.Peak << '\n';
    return 0;
}

std::string OwnPath(const char* argv0)
{
#ifdef _WIN32
    (void)argv0;
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
#else
    return fs::absolute(argv0).string();
#endif
}

// Runs one restore in a process of its own, whose peak belongs to that restore alone, and prints it
// against the budget: the payload's copy, twice the largest file, and 4 MiB.
void PrintPeak(const char* argv0, const std::vector<std::uint8_t>& bytes, const std::vector<TExpected>& expected,
               const TScratch& scratch)
{
    const fs::path payloadFile = scratch.Round(90) / "payload.bin";
    std::ofstream(payloadFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const fs::path folder = scratch.Round(91), report = scratch.Round(92) / "peak.txt";
    const std::string command = "\"" + OwnPath(argv0) + "\" --peak \"" + payloadFile.string() + "\" \"" +
                                folder.string() + "\" \"" + report.string() + "\"";
#ifdef _WIN32
    // cmd.exe drops the outer quotes of a command line that begins with one.
    if (std::system(("\"" + command + "\"").c_str()) != 0)
#else
    if (std::system(command.c_str()) != 0)
#endif
        throw Exception("the restore for the memory figure failed");
    std::size_t before = 0, beforePeak = 0, peak = 0;
    std::ifstream(report) >> before >> beforePeak >> peak;
    if (peak == 0)
        throw Exception("the platform reported no working set");
    std::size_t largest = 0;
    for (const TExpected& file : expected)
        largest = std::max(largest, file.Size);
    const double budget = static_cast<double>(bytes.size() + 2 * largest + 4 * MiB);
    const double used = static_cast<double>(peak - std::min(peak, before));
    std::printf("peak memory of a restore: working set %.1f MB before it (the payload in memory), peak %.1f MB: "
                "%.1f MB for the restore, %.2f x the budget of payload + 2 x largest file + 4 MiB = %.1f MB "
                "(target <= 1: %s)\n",
                static_cast<double>(before) / 1e6, static_cast<double>(peak) / 1e6, used / 1e6, used / budget,
                budget / 1e6, used <= budget ? "met" : "NOT MET");
    if (beforePeak > before + MiB)
        std::printf("  (the peak before the restore was %.1f MB already)\n", static_cast<double>(beforePeak) / 1e6);
}

}  // namespace

int main(int argc, char** argv)
try {
    if (argc == 5 && std::string(argv[1]) == "--peak")
        return MeasurePeak(argv[2], argv[3], argv[4]);

    std::vector<TExpected> expected;
    const std::vector<std::uint8_t> bytes = BuildPayload(expected);
    const TPayload reference(bytes.data(), bytes.size());

    std::size_t restoredBytes = 0;
    std::vector<std::vector<std::uint8_t>> bareOutputs;
    for (const TExpected& file : expected) {
        restoredBytes += file.Size;
        bareOutputs.emplace_back(file.Size);
    }
    const double megabytes = static_cast<double>(restoredBytes) / 1e6;
    std::printf("payload: %d files, %.1f MB restored from %.1f MB stored\n", static_cast<int>(reference.Count()),
                megabytes, static_cast<double>(bytes.size()) / 1e6);

    TScratch scratch;
    // One untimed round of each warms caches and the heap and proves both paths right.
    BareInflate(reference, bareOutputs);
    const fs::path warmFolder = scratch.Round(0);
    Restore(bytes, warmFolder);
    Verify(expected, warmFolder, bareOutputs);
    fs::remove_all(warmFolder);

    std::vector<double> bare, bareWrite, yardstick, fresh, total, copy, inflate, write;
    for (int round = 1; round <= Rounds; ++round) {
        const fs::path folder = scratch.Round(round);
        // Alternating the order keeps either side from always running on the other's leftovers.
        const auto bareRound = [&] {
            bare.push_back(BareInflate(reference, bareOutputs));
            const fs::path bareFolder = scratch.Round(100 + round);
            bareWrite.push_back(BareWrite(bareOutputs, expected, bareFolder));
            yardstick.push_back(bare.back() + bareWrite.back());
            fs::remove_all(bareFolder);
        };
        if (round % 2)
            bareRound();
        const TRestoreTimes times = Restore(bytes, folder);
        if (!(round % 2))
            bareRound();
        fresh.push_back(BareInflateFresh(reference, expected));
        total.push_back(times.Total);
        copy.push_back(times.Copy);
        inflate.push_back(times.Inflate);
        write.push_back(times.Write);
        fs::remove_all(folder);
    }

    const double restoreSeconds = Median(total), bareSeconds = Median(bare), workSeconds = Median(yardstick);
    const double ratio = restoreSeconds / workSeconds;
    std::printf("restore %.3f s, bare inflate and bare write %.3f s, ratio %.2f (target <= %.2f: %s)\n",
                restoreSeconds, workSeconds, ratio, TargetRatio, ratio <= TargetRatio ? "met" : "NOT MET");
    std::printf("yardstick split: bare inflate %.3f s, bare write %.3f s; restore against bare inflate alone %.2f\n",
                bareSeconds, Median(bareWrite), restoreSeconds / bareSeconds);
    std::printf("restore split: copy+descramble %.3f s, inflate with its blocks %.3f s, write %.3f s (medians of %d rounds)\n",
                Median(copy), Median(inflate), Median(write), Rounds);
    std::printf("bare inflate into a fresh block per file %.3f s, ratio %.2f to bare (the allocator's share)\n",
                Median(fresh), Median(fresh) / bareSeconds);
    std::printf("throughput: restore %.0f MB/s, bare inflate %.0f MB/s\n", megabytes / restoreSeconds,
                megabytes / bareSeconds);
    PrintPeak(argv[0], bytes, expected, scratch);
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "restore_bench: %s\n", e.what());
    return 1;
}
