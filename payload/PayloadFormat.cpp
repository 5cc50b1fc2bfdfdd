// Scrambling and name rules of the setup payload.
#include "PayloadFormat.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Both passes folded into one table: 16 is a multiple of 4, so the word's byte for a position is
// fixed by the position mod 16 as well.
constexpr std::array<std::uint8_t, 16> CombinedKey()
{
    std::array<std::uint8_t, 16> key{};
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = PayloadKeyTable[i] ^ static_cast<std::uint8_t>(PayloadKeyWord >> (8 * (i % 4)));
    return key;
}

bool IsReservedDeviceName(std::string_view component)
{
    // The device names are reserved with any extension, and Windows ignores trailing spaces first.
    std::string base(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(), [](unsigned char c) { return std::toupper(c); });
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    if (base.size() != 4 || !(base.starts_with("COM") || base.starts_with("LPT")))
        return false;
    // Windows takes the superscript digits of code page 1252 for digits here too.
    const auto digit = static_cast<unsigned char>(base[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

}  // namespace

void DescramblePayload(std::uint8_t* payload, std::size_t size, std::uint64_t dataStart)
{
    static constexpr auto key = CombinedKey();
    // Byte by byte up to a multiple of 16, then a whole key length per step in two words, which
    // runs several times faster over a payload of many megabytes.
    std::uint64_t p = dataStart;
    for (; p < size && p % 16 != 0; ++p)
        payload[p] ^= key[p % 16];
    std::uint64_t low, high;
    std::memcpy(&low, key.data(), 8);
    std::memcpy(&high, key.data() + 8, 8);
    for (; p + 16 <= size; p += 16) {
        std::uint64_t a, b;
        std::memcpy(&a, payload + p, 8);
        std::memcpy(&b, payload + p + 8, 8);
        a ^= low;
        b ^= high;
        std::memcpy(payload + p, &a, 8);
        std::memcpy(payload + p + 8, &b, 8);
    }
    for (; p < size; ++p)
        payload[p] ^= key[p % 16];
}

std::string PayloadEntryName(const TPayloadEntry& entry)
{
    return std::string(entry.Name, strnlen(entry.Name, PayloadNameSize));
}

std::vector<std::string> PayloadNames(const std::uint8_t* payload, std::size_t size)
{
    std::int32_t count = 0;
    if (size < PayloadCountSize)
        return {};
    std::memcpy(&count, payload, sizeof count);
    if (count < 0 || PayloadDataStart(count) > size)
        return {};
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        TPayloadEntry entry;
        std::memcpy(&entry, payload + PayloadDataStart(i), sizeof entry);
        names.push_back(PayloadEntryName(entry));
    }
    return names;
}

bool IsSafePayloadName(std::string_view name)
{
    if (name.empty() || name.front() == '\\' || name.front() == '/')
        return false;
    if (name.find(':') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = name.size();
        std::string_view component = name.substr(start, end - start);
        if (component.empty() || component == ".." || component.back() == '.' || component.back() == ' ' ||
            IsReservedDeviceName(component))
            return false;
        start = end + 1;
    }
    return true;
}
