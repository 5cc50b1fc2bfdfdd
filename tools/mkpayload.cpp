// mkpayload: builds, lists, verifies and extracts setup payloads.
#include "../payload/RestorePayload.h"
#include "FolderFileSink.h"
#include "PayloadWriter.h"

#ifdef _WIN32
#include "../payload/StoredNames.h"

#include <windows.h>

#include <io.h>
#else
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr int ExitDamaged = 1;
constexpr int ExitUsage = 2;

// Inputs from this size on take seconds: a terminal is shown how far the compression has got.
constexpr std::uint64_t LargeInput = std::uint64_t{16} << 20;

const char* const Usage =
    "usage: mkpayload create [OPTIONS] OUT FILE...       build a payload from files, in the given order\n"
    "       mkpayload create [OPTIONS] OUT --list LIST   the same, with the files named one a line in LIST\n"
    "       mkpayload list [--code-page N] PAYLOAD       index, name, stored size, inflated size, offset\n"
    "       mkpayload verify PAYLOAD                     check the structure and inflate every entry\n"
    "       mkpayload extract PAYLOAD DIR                restore the files into DIR\n"
    "Options of create: --best writes the smallest streams it can find (zopfli: many times slower);\n"
    "--jobs N compresses N files at once (default: one per core; the payload is the same).\n"
    "Files are stored under their bare names, in the bytes they are given in; create names each\n"
    "name that is not ASCII. list shows the names in UTF-8 as a setup running in UTF-8 reads them:\n"
    "a UTF-8 name as it is, any other in code page N (by default the system's ANSI code page on\n"
    "Windows, 1252 elsewhere). Exit codes: 0 success, 1 bad or damaged payload or unreadable\n"
    "input, 2 usage error.\n";

class EUsage : public Exception {
public:
    using Exception::Exception;
};

// Where the bare name begins in a path given as text: after its last separator. The text stays in
// the bytes it was given in (the system's ANSI code page on Windows), never converted through a
// wide path, which would store the name in UTF-8.
std::size_t NameStart(const std::string& path)
{
    std::size_t start = 0;
#ifdef _WIN32
    // A double-byte character's trail byte can be 0x5C: step by characters.
    for (const char* at = path.c_str(); *at; at = CharNextA(at))
        if (*at == '\\' || *at == '/' || *at == ':')
            start = static_cast<std::size_t>(at - path.c_str()) + 1;
#else
    if (const std::size_t slash = path.rfind('/'); slash != std::string::npos)
        start = slash + 1;
#endif
    return start;
}

bool IsAbsolute(const std::string& path)
{
#ifdef _WIN32
    return !path.empty() && (path[0] == '\\' || path[0] == '/' || (path.size() > 1 && path[1] == ':'));
#else
    return !path.empty() && path[0] == '/';
#endif
}

bool IsAscii(const std::string& text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The text with each byte beyond ASCII written as \xNN.
std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
        escaped += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : std::string(hex);
    }
    return escaped;
}

// The stored name as a setup running in UTF-8 reads it, in UTF-8: the name itself when it is
// UTF-8, else read in the code page; escaped where the code page cannot read it.
std::string ListedName(const std::string& stored, unsigned codePage)
{
    if (DecodeUtf8(stored))
        return stored;
#ifdef _WIN32
    const int size = static_cast<int>(stored.size());
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, stored.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length <= 0 || !MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, stored.data(), size, wide.data(), length))
        return Escaped(stored);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), bytes, nullptr, nullptr);
    return text;
#else
    const iconv_t converter = iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return Escaped(stored);
    std::string input = stored;
    std::string text(stored.size() * 4, '\0');
    char* in = input.data();
    char* out = text.data();
    std::size_t inLeft = input.size();
    std::size_t outLeft = text.size();
    const bool read = iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(converter);
    if (!read)
        return Escaped(stored);
    text.resize(text.size() - outLeft);
    return text;
#endif
}

// The code page in which list reads the names that are not UTF-8, unless it is told one.
unsigned DefaultListCodePage()
{
#ifdef _WIN32
    return SystemAnsiCodePage();
#else
    return 1252;
#endif
}

// Writes UTF-8 text to the standard output; to a Windows console as its characters.
void PrintUtf8(const std::string& text)
{
#ifdef _WIN32
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode)) {
        const int size = static_cast<int>(text.size());
        const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
        std::fflush(stdout);
        DWORD written = 0;
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
#ifndef _WIN32
    // A folder opens like a file here and reads as nothing, which would store an empty file.
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw Exception("cannot read " + path);
#endif
    std::ifstream in(path.c_str(), std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0)
        throw Exception("cannot read " + path);
    if (static_cast<std::uintmax_t>(size) > std::numeric_limits<std::size_t>::max())
        throw Exception("too large to read: " + path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.seekg(0).read(reinterpret_cast<char*>(bytes.data()), size))
        throw Exception("cannot read " + path);
    return bytes;
}

std::vector<std::string> ReadList(const std::string& listFile)
{
    std::ifstream in(listFile.c_str());
    if (!in)
        throw Exception("cannot read " + listFile);
    std::vector<std::string> files;
    const std::string base = listFile.substr(0, NameStart(listFile));
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        files.push_back(IsAbsolute(line) ? line : base + line);
    }
    return files;
}

// The options of create, which come before the output; returns the index of the output.
std::size_t ReadOptions(const std::vector<std::string>& args, TPayloadWriteOptions& options)
{
    std::size_t at = 0;
    for (; at < args.size() && args[at].starts_with("--") && args[at] != "--list"; ++at) {
        if (args[at] == "--best") {
            if (!SmallestCompressionAvailable())
                throw EUsage("--best is not available: this mkpayload was built without the zopfli library");
            options.Compression = TPayloadCompression::Smallest;
        } else if (args[at] == "--jobs" && at + 1 < args.size()) {
            const std::string& count = args[++at];
            if (count.empty() || count.size() > 4 || count.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(count) == 0)
                throw EUsage("--jobs takes a number from 1 to 9999");
            options.Threads = static_cast<unsigned>(std::stoi(count));
        } else {
            throw EUsage("unknown option of create: " + args[at]);
        }
    }
    return at;
}

bool IsTerminal(std::FILE* stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream));
#else
    return isatty(fileno(stream));
#endif
}

// "mkpayload: 37% of 240 MB compressed" on the terminal, rewritten in place; a line of its own
// once done.
void ShowProgress(std::uint64_t done, std::uint64_t total)
{
    std::fprintf(stderr, "\rmkpayload: %3d%% of %.0f MB compressed", static_cast<int>(done * 100 / total), total / 1e6);
    if (done == total)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

int Create(std::vector<std::string> args)
{
    TPayloadWriteOptions options;
    args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(ReadOptions(args, options)));
    if (args.size() < 2)
        throw EUsage("create needs an output and at least one file (or --list LIST)");
    std::vector<std::string> paths(args.begin() + 1, args.end());
    if (paths[0] == "--list") {
        if (paths.size() != 2)
            throw EUsage("--list takes exactly one list file");
        paths = ReadList(paths[1]);
    }
    std::vector<TPayloadSourceFile> files;
    std::uint64_t total = 0;
    for (const std::string& path : paths) {
        files.push_back({path.substr(NameStart(path)), ReadFile(path)});
        total += files.back().Contents.size();
    }
    if (total >= LargeInput && IsTerminal(stderr))
        options.OnProgress = ShowProgress;
    const std::vector<std::uint8_t> payload = WritePayload(files, options);
    std::ofstream out(args[0], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(payload.data()), static_cast<std::streamsize>(payload.size()));
    if (!out.flush())
        throw Exception("cannot write " + args[0]);
    // A name beyond ASCII is read as its bytes say only by a setup that reads them the same way.
    for (const TPayloadSourceFile& file : files) {
        if (IsAscii(file.Name))
            continue;
        if (DecodeUtf8(file.Name))
            std::fprintf(stderr, "mkpayload: note: %s is not ASCII: stored in UTF-8, it installs under this name "
                                 "where the setup runs in UTF-8 (Windows 10 version 1903 and later), and as the "
                                 "system's code page reads it elsewhere\n",
                         file.Name.c_str());
        else
            std::fprintf(stderr, "mkpayload: note: %s is not ASCII and not UTF-8: it installs as the system's code "
                                 "page reads it (list --code-page N shows a code page's reading)\n",
                         Escaped(file.Name).c_str());
    }
    return 0;
}

TPayload Load(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadFile(path);
#ifdef _WIN32
    return TPayload(bytes.data(), bytes.size(), ReadStoredName);  // the names as the setup reads them
#else
    return TPayload(bytes.data(), bytes.size());
#endif
}

int List(const TPayload& payload, unsigned codePage)
{
    for (std::int32_t i = 0; i < payload.Count(); ++i) {
        const std::size_t inflated = InflatePayloadEntry(payload, i).size();
        PrintUtf8(std::to_string(i) + "\t" + ListedName(PayloadEntryName(payload.Entry(i)), codePage) + "\t" +
                  std::to_string(payload.StoredSize(i)) + "\t" + std::to_string(inflated) + "\t" +
                  std::to_string(payload.Entry(i).Offset) + "\n");
    }
    return 0;
}

int Verify(const TPayload& payload)
{
    for (std::int32_t i = 0; i < payload.Count(); ++i)
        InflatePayloadEntry(payload, i);
    std::printf("%d entries, all well\n", static_cast<int>(payload.Count()));
    return 0;
}

int Extract(const TPayload& payload, const std::string& folder)
{
    std::filesystem::create_directories(folder);
    TFolderFileSink sink(folder);
    RestorePayload(payload, sink);
    return 0;
}

int Run(const std::vector<std::string>& args)
{
    if (args.empty())
        throw EUsage("no command given");
    const std::string& command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "create")
        return Create(rest);
    if (command == "list") {
        unsigned codePage = DefaultListCodePage();
        if (rest.size() == 3 && rest[0] == "--code-page") {
            codePage = static_cast<unsigned>(std::strtoul(rest[1].c_str(), nullptr, 10));
            if (codePage == 0)
                throw EUsage("--code-page takes a code page number");
            rest.erase(rest.begin(), rest.begin() + 2);
        }
        if (rest.size() != 1)
            throw EUsage("list takes exactly one payload");
        return List(Load(rest[0]), codePage);
    }
    if (command == "verify") {
        if (rest.size() != 1)
            throw EUsage(command + " takes exactly one payload");
        return Verify(Load(rest[0]));
    }
    if (command == "extract") {
        if (rest.size() != 2)
            throw EUsage("extract takes a payload and a folder");
        return Extract(Load(rest[0]), rest[1]);
    }
    throw EUsage("unknown command: " + command);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(Usage, stdout);
        return 0;
    }
    try {
        return Run(args);
    } catch (const EUsage& e) {
        std::fprintf(stderr, "mkpayload: %s\n%s", e.what(), Usage);
        return ExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkpayload: %s\n", e.what());
        return ExitDamaged;
    }
}
