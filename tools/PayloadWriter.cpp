// The payload producer.
#include "PayloadWriter.h"

#include "../framework/Exceptions.h"
#include "../payload/PayloadFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <set>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

void CheckName(const std::string& name, std::set<std::string>& seen)
{
    if (name.size() > PayloadNameSize)
        throw Exception("name longer than 256 bytes: " + name);
    if (name.find_first_of("\\/") != std::string::npos)
        throw Exception("name with a folder part: " + name);
    if (!IsSafePayloadName(name))
        throw Exception("name that Windows cannot hold safely: " + name);
    if (!seen.insert(Lower(name)).second)
        throw Exception("name given twice: " + name);
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& contents)
{
    uLongf size = compressBound(static_cast<uLong>(contents.size()));
    std::vector<std::uint8_t> stored(size);
    if (compress2(stored.data(), &size, contents.data(), static_cast<uLong>(contents.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw Exception("zlib could not deflate a file");
    stored.resize(size);
    return stored;
}

void PutInt32(std::uint8_t* at, std::uint64_t value)
{
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        throw Exception("payload larger than 2 GB");
    const auto v = static_cast<std::int32_t>(value);
    std::memcpy(at, &v, sizeof v);
}

}  // namespace

std::vector<std::uint8_t> WritePayload(const std::vector<TPayloadSourceFile>& files)
{
    std::set<std::string> seen;
    for (const TPayloadSourceFile& file : files)
        CheckName(file.Name, seen);

    const std::uint64_t dataStart = PayloadDataStart(static_cast<std::int64_t>(files.size()));
    std::vector<std::uint8_t> payload(dataStart, 0);
    PutInt32(payload.data(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::vector<std::uint8_t> stored = Deflate(files[i].Contents);
        std::uint8_t* entry = payload.data() + PayloadCountSize + i * PayloadEntrySize;
        std::memcpy(entry, files[i].Name.data(), files[i].Name.size());
        PutInt32(entry + offsetof(TPayloadEntry, Offset), payload.size());
        PutInt32(entry + offsetof(TPayloadEntry, StoredSize), stored.size());
        payload.insert(payload.end(), stored.begin(), stored.end());
    }
    if (payload.size() > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        throw Exception("payload larger than 2 GB");
    DescramblePayload(payload.data(), payload.size(), dataStart);
    return payload;
}
