// The payload producer: names checked, files compressed on every core, the payload assembled in order.
#include "PayloadWriter.h"

#include "../framework/Exceptions.h"
#include "../framework/Scope.h"
#include "../payload/PayloadFormat.h"

#include <zlib.h>
#ifdef UNPACK_HAVE_ZOPFLI
#include <zopfli/zopfli.h>
#endif

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <numeric>
#include <set>
#include <thread>

namespace {

// The restore's lengths are 32-bit: a larger file could be stored but never restored.
constexpr std::uint64_t FileSizeLimit = std::numeric_limits<std::int32_t>::max();

// Contents go to zlib this much at a time, so that the progress moves inside a large file too.
constexpr std::size_t DeflateStep = std::size_t{1} << 20;

constexpr auto ProgressInterval = std::chrono::milliseconds(200);


#ifdef UNPACK_HAVE_ZOPFLI
// zopfli's default is 15 passes; on the setup's package 5 find all but about 70 of the 22,000 bytes
// that 15 save over zlib, in half the time (and 1 loses a further 1,200).
constexpr int ZopfliIterations = 5;
#endif

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

void CheckFile(const TPayloadSourceFile& file, std::set<std::string>& seen)
{
    const std::string& name = file.Name;
    if (name.size() > PayloadNameSize)
        throw Exception("name longer than 256 bytes: " + name);
    if (name.find_first_of("\\/") != std::string::npos)
        throw Exception("name with a folder part: " + name);
    if (!IsSafePayloadName(name))
        throw Exception("name that Windows cannot hold safely: " + name);
    if (!seen.insert(Lower(name)).second)
        throw Exception("name given twice: " + name);
    if (file.Contents.size() > FileSizeLimit)
        throw Exception("file of 2 GB or more, which the setup cannot restore: " + name);
}

// zlib at its best level; done grows by each step of the contents as it is taken in.
std::vector<std::uint8_t> DeflateStandard(const std::vector<std::uint8_t>& contents, std::atomic<std::uint64_t>& done)
{
    z_stream stream{};
    if (deflateInit(&stream, Z_BEST_COMPRESSION) != Z_OK)
        throw Exception("zlib could not deflate a file");
    const auto end = ScopeExit([&] { deflateEnd(&stream); });
    // Room for the whole stream, so that every call takes in all it is given.
    std::vector<std::uint8_t> stored(deflateBound(&stream, static_cast<uLong>(contents.size())));
    stream.next_out = stored.data();
    stream.avail_out = static_cast<uInt>(stored.size());
    std::size_t taken = 0;
    int result = Z_OK;
    while (result == Z_OK) {
        const std::size_t step = std::min(DeflateStep, contents.size() - taken);
        stream.next_in = const_cast<Bytef*>(contents.data() + taken);
        stream.avail_in = static_cast<uInt>(step);
        taken += step;
        result = deflate(&stream, taken == contents.size() ? Z_FINISH : Z_NO_FLUSH);
        if (stream.avail_in != 0)
            break;
        done += step;
    }
    if (result != Z_STREAM_END)
        throw Exception("zlib could not deflate a file");
    stored.resize(stream.total_out);
    return stored;
}

#ifdef UNPACK_HAVE_ZOPFLI
// The smaller of zopfli's stream and zlib's: zopfli wins on all but tiny or incompressible files.
std::vector<std::uint8_t> DeflateSmallest(const std::vector<std::uint8_t>& contents, std::atomic<std::uint64_t>& done)
{
    std::atomic<std::uint64_t> ignored{0};
    std::vector<std::uint8_t> smallest = DeflateStandard(contents, ignored);
    ZopfliOptions options;
    ZopfliInitOptions(&options);
    options.numiterations = ZopfliIterations;
    unsigned char* stream = nullptr;
    std::size_t size = 0;
    ZopfliCompress(&options, ZOPFLI_FORMAT_ZLIB, contents.data(), contents.size(), &stream, &size);
    const auto release = ScopeExit([&] { std::free(stream); });
    if (stream && size < smallest.size())
        smallest.assign(stream, stream + size);
    done += contents.size();
    return smallest;
}
#endif

using TDeflate = std::vector<std::uint8_t> (*)(const std::vector<std::uint8_t>&, std::atomic<std::uint64_t>&);

TDeflate DeflateFor(TPayloadCompression compression)
{
    if (compression == TPayloadCompression::Smallest) {
#ifdef UNPACK_HAVE_ZOPFLI
        return DeflateSmallest;
#else
        throw Exception("the smallest compression needs the zopfli library, which this build lacks");
#endif
    }
    return DeflateStandard;
}

// Each file's stream, in the files' order, made by options.Threads threads at once. The largest
// files go first, so that no large file is left to one thread at the end.
std::vector<std::vector<std::uint8_t>> CompressAll(const std::vector<TPayloadSourceFile>& files, TDeflate makeStream,
                                                   const TPayloadWriteOptions& options)
{
    std::vector<std::size_t> order(files.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return files[a].Contents.size() > files[b].Contents.size(); });

    std::vector<std::vector<std::uint8_t>> streams(files.size());
    std::vector<std::exception_ptr> errors(files.size());
    std::atomic<std::size_t> next{0};
    std::atomic<std::uint64_t> done{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t running = 0;
    const auto work = [&] {
        for (std::size_t at = 0; !stop && (at = next++) < order.size();) {
            const std::size_t i = order[at];
            try {
                streams[i] = makeStream(files[i].Contents, done);
            } catch (...) {
                errors[i] = std::current_exception();
                stop = true;
            }
        }
        const std::lock_guard lock(mutex);
        --running;
        finished.notify_one();
    };

    unsigned threads = options.Threads ? options.Threads : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(files.size(), 1)));
    std::vector<std::thread> pool;
    const auto joinAll = ScopeExit([&] {
        stop = true;
        for (std::thread& thread : pool)
            thread.join();
    });
    for (unsigned t = 0; t < threads; ++t) {
        const std::lock_guard lock(mutex);
        pool.emplace_back(work);
        ++running;
    }

    const std::uint64_t total = std::accumulate(files.begin(), files.end(), std::uint64_t{0},
                                                [](std::uint64_t sum, const TPayloadSourceFile& file) { return sum + file.Contents.size(); });
    for (std::unique_lock lock(mutex); running > 0;) {
        if (finished.wait_for(lock, ProgressInterval, [&] { return running == 0; }) || !options.OnProgress)
            continue;
        lock.unlock();
        options.OnProgress(done, total);
        lock.lock();
    }
    for (const std::exception_ptr& error : errors)
        if (error)
            std::rethrow_exception(error);
    if (options.OnProgress)
        options.OnProgress(total, total);
    return streams;
}

void PutInt32(std::uint8_t* at, std::uint64_t value)
{
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        throw Exception("payload larger than 2 GB");
    const auto v = static_cast<std::int32_t>(value);
    std::memcpy(at, &v, sizeof v);
}

}  // namespace

bool SmallestCompressionAvailable()
{
#ifdef UNPACK_HAVE_ZOPFLI
    return true;
#else
    return false;
#endif
}

std::vector<std::uint8_t> WritePayload(const std::vector<TPayloadSourceFile>& files, const TPayloadWriteOptions& options)
{
    std::set<std::string> seen;
    for (const TPayloadSourceFile& file : files)
        CheckFile(file, seen);
    std::vector<std::vector<std::uint8_t>> streams = CompressAll(files, DeflateFor(options.Compression), options);

    const std::uint64_t dataStart = PayloadDataStart(static_cast<std::int64_t>(files.size()));
    std::vector<std::uint8_t> payload(dataStart, 0);
    PutInt32(payload.data(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::vector<std::uint8_t>& stored = streams[i];
        std::uint8_t* entry = payload.data() + PayloadCountSize + i * PayloadEntrySize;
        std::memcpy(entry, files[i].Name.data(), files[i].Name.size());
        PutInt32(entry + offsetof(TPayloadEntry, Offset), payload.size());
        PutInt32(entry + offsetof(TPayloadEntry, StoredSize), stored.size());
        payload.insert(payload.end(), stored.begin(), stored.end());
        stored = {};
    }
    if (payload.size() > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        throw Exception("payload larger than 2 GB");
    DescramblePayload(payload.data(), payload.size(), dataStart);
    return payload;
}
