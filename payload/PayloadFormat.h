// The setup payload's byte layout, its scrambling and the rules for stored names, shared by the
// install step and the producer tool.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

static_assert(std::endian::native == std::endian::little, "the payload's integers are read in place");

// The two keys of the scrambling; the producer and the install step must agree on them.
inline constexpr std::array<std::uint8_t, 16> PayloadKeyTable = {
    0x5A, 0xC3, 0x1F, 0x86, 0x2D, 0xE9, 0x74, 0x0B, 0xB8, 0x41, 0x9E, 0x37, 0xD2, 0x6C, 0xF5, 0x13};
// Used byte by byte in little-endian memory order.
inline constexpr std::uint32_t PayloadKeyWord = 0x9D2C5E47;

inline constexpr std::size_t PayloadCountSize = 4;
inline constexpr std::size_t PayloadNameSize = 256;
inline constexpr std::size_t PayloadEntrySize = 264;

// One record of the payload directory, exactly as stored.
struct TPayloadEntry {
    char Name[PayloadNameSize];  // up to the first NUL; a 256-byte name has none
    std::int32_t Offset;         // written by producers, never read by the install step
    std::int32_t StoredSize;     // bytes of this entry's stored data
};
static_assert(sizeof(TPayloadEntry) == PayloadEntrySize);

// Position of the first stored byte: 4 + 264 × count. 64-bit so that no count can overflow it.
constexpr std::uint64_t PayloadDataStart(std::int64_t count)
{
    return PayloadCountSize + PayloadEntrySize * static_cast<std::uint64_t>(count);
}

// XORs every byte from dataStart to the end with both keys, indexed by its position in the whole
// payload. The operation is its own inverse: it scrambles and descrambles.
void DescramblePayload(std::uint8_t* payload, std::size_t size, std::uint64_t dataStart);

// The entry's name: its bytes up to the first NUL, at most 256 of them.
std::string PayloadEntryName(const TPayloadEntry& entry);

// The names in a payload's directory, read where they lie (the directory is not scrambled), in
// directory order; none when the count or the directory does not fit the payload's size.
std::vector<std::string> PayloadNames(const std::uint8_t* payload, std::size_t size);

// True when joining the name to a folder cannot leave that folder or land under another name:
// not empty, not rooted, no drive or other ':', no '..' component, no reserved device name (the
// superscript COM and LPT digits ¹, ² and ³ among them), no component ending in a dot or a space.
// '\' and '/' both separate components. The bytes form reads the name byte by byte, the
// superscripts as code page 1252 spells them: a double-byte character whose trail byte is 0x5C
// splits there too, which can refuse such a name but never lets one out. The wide form reads it
// character by character, as the code page it is read in decodes it.
bool IsSafePayloadName(std::string_view name);
bool IsSafePayloadName(std::wstring_view name);

// The characters of a UTF-8 text; nothing when the text is not UTF-8 (a byte no character begins
// or continues with, a character cut short, an overlong form, a surrogate, past U+10FFFF).
std::optional<std::u32string> DecodeUtf8(std::string_view text);
