// The producer benchmark: building a payload of real files (the machine's shared libraries) on one
// thread against one thread per core, measured side by side in interleaved rounds of one run.
// usage: producer_bench FOLDER [MEGABYTES]
#include "../tools/PayloadWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int Rounds = 5;
// Parallel work may lose a fifth to what the cores share (memory, the other round's leftovers).
constexpr double Efficiency = 0.8;

using TClock = std::chrono::steady_clock;

// The folder's regular files in name order, each read whole, until they hold megabytes MB. A file
// of more than an eighth of that is left out: one file is compressed by one thread, and a single
// large one would measure only itself.
std::vector<TPayloadSourceFile> ReadFiles(const fs::path& folder, double megabytes)
{
    std::vector<fs::path> paths;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && !entry.is_symlink() && entry.file_size() > 0 &&
            static_cast<double>(entry.file_size()) <= megabytes * 1e6 / 8)
            paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    std::vector<TPayloadSourceFile> files;
    double read = 0;
    for (const fs::path& path : paths) {
        if (read >= megabytes * 1e6)
            break;
        std::ifstream in(path, std::ios::binary);
        files.push_back({path.filename().string(), {std::istreambuf_iterator<char>(in), {}}});
        read += static_cast<double>(files.back().Contents.size());
    }
    return files;
}

double Seconds(const std::vector<TPayloadSourceFile>& files, unsigned threads, std::vector<std::uint8_t>& payload)
{
    TPayloadWriteOptions options;
    options.Threads = threads;
    const TClock::time_point start = TClock::now();
    payload = WritePayload(files, options);
    return std::chrono::duration<double>(TClock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
try {
    if (argc < 2) {
        std::fprintf(stderr, "usage: producer_bench FOLDER [MEGABYTES]\n");
        return 2;
    }
    const std::vector<TPayloadSourceFile> files = ReadFiles(argv[1], argc > 2 ? std::stod(argv[2]) : 32);
    double megabytes = 0;
    for (const TPayloadSourceFile& file : files)
        megabytes += static_cast<double>(file.Contents.size()) / 1e6;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::printf("producer: %.1f MB in %zu files of %s, %d interleaved rounds, medians\n", megabytes, files.size(),
                argv[1], Rounds);

    std::vector<double> serial, parallel;
    std::vector<std::uint8_t> one, every;
    for (int round = 0; round < Rounds; ++round) {
        // Alternating the order keeps either side from always running on the other's leftovers.
        if (round % 2)
            serial.push_back(Seconds(files, 1, one));
        parallel.push_back(Seconds(files, 0, every));
        if (!(round % 2))
            serial.push_back(Seconds(files, 1, one));
        if (one != every) {
            std::printf("FAIL: one thread and every core gave different payloads\n");
            return 1;
        }
    }
    const double ratio = Median(parallel) / Median(serial);
    std::printf("one thread %.2f s (%.1f MB/s), %u threads %.2f s (%.1f MB/s)\n", Median(serial),
                megabytes / Median(serial), cores, Median(parallel), megabytes / Median(parallel));
    if (cores == 1) {
        std::printf("parallel / serial %.2f (one core: no target)\n", ratio);
        return 0;
    }
    const double target = 1 / (Efficiency * cores);
    std::printf("parallel / serial %.2f (target <= %.2f on %u cores: %s)\n", ratio, target, cores,
                ratio <= target ? "met" : "NOT MET");
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "producer_bench: %s\n", e.what());
    return 1;
}
