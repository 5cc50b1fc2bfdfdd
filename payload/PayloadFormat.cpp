// Scrambling and name rules of the setup payload.
#include "PayloadFormat.h"

#include <cctype>
#include <cstring>
#include <type_traits>

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

// A character as its number: a byte, a UTF-16 unit or a code point.
template <typename Char>
std::uint32_t Code(Char c)
{
    return static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
}

template <typename Char>
bool IsSeparator(Char c)
{
    return c == Char('\\') || c == Char('/');
}

template <typename Char>
bool IsReservedDeviceName(std::basic_string_view<Char> component)
{
    // The device names are reserved with any extension, and Windows ignores trailing spaces first.
    std::basic_string_view<Char> base = component.substr(0, component.find(Char('.')));
    while (!base.empty() && base.back() == Char(' '))
        base.remove_suffix(1);
    if (base.size() != 3 && base.size() != 4)
        return false;
    std::string upper;  // ASCII letters in capitals; any other character as a NUL
    for (Char c : base)
        upper += Code(c) < 0x80 ? static_cast<char>(std::toupper(static_cast<int>(Code(c)))) : '\0';
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL")
        return true;
    if (upper.size() != 4 || !(upper.starts_with("COM") || upper.starts_with("LPT")))
        return false;
    // Windows takes the superscript digits for digits here too: U+00B9, U+00B2 and U+00B3, which
    // code page 1252 spells with the bytes of the same values.
    const std::uint32_t digit = Code(base[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

template <typename Char>
bool IsSafeName(std::basic_string_view<Char> name)
{
    if (name.empty() || IsSeparator(name.front()))
        return false;
    for (Char c : name)
        if (c == Char(':') || c == Char('\0'))
            return false;
    for (std::size_t start = 0; start <= name.size();) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        const std::basic_string_view<Char> component = name.substr(start, end - start);
        if (component.empty() || (component.size() == 2 && component[0] == Char('.') && component[1] == Char('.')) ||
            component.back() == Char('.') || component.back() == Char(' ') || IsReservedDeviceName(component))
            return false;
        start = end + 1;
    }
    return true;
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

bool IsSafePayloadName(std::string_view name) { return IsSafeName(name); }
bool IsSafePayloadName(std::wstring_view name) { return IsSafeName(name); }

std::optional<std::u32string> DecodeUtf8(std::string_view text)
{
    std::u32string decoded;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        // The length a lead byte announces and the least code point that needs it.
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                    : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
        if (length == 0 || at + length > text.size())
            return std::nullopt;
        constexpr std::uint32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < Least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return std::nullopt;
        decoded += static_cast<char32_t>(code);
        at += length;
    }
    return decoded;
}
