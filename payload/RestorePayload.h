// The restore walk: a private, checked and descrambled copy of a setup payload, and the loop that
// inflates each stored file and hands it to a sink in directory order.
#pragma once

#include "../framework/Exceptions.h"
#include "PayloadFormat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A payload whose structure does not fit its own size.
class EPayloadDamaged : public Exception {
public:
    EPayloadDamaged() : Exception("Setup Data is damaged.") {}
};

// A file name as the platform's file functions take it: UTF-16 on Windows, bytes elsewhere.
#ifdef _WIN32
using TFileName = std::wstring;
#else
using TFileName = std::string;
#endif

// How a program reads the names a payload stores, which are bytes: the name as the program's file
// functions take it, or nothing for a name that could leave the folder or land under another name.
using TStoredNameReader = std::function<std::optional<TFileName>(std::string_view stored)>;

// The stored bytes as they are, checked byte by byte (on Windows each byte the character of its
// own number): the reading of a program whose code page is the one the names were stored in.
std::optional<TFileName> ReadStoredNameAsBytes(std::string_view stored);

// A private copy of a payload, descrambled and checked against its own size. The source is never
// changed. The constructor raises EPayloadDamaged for a structure that runs past the end,
// EInOutError(3) "Invalid filename" for a name that the reader refuses, EOutOfMemory.
class TPayload {
public:
    TPayload(const std::uint8_t* source, std::size_t size, const TStoredNameReader& reader = ReadStoredNameAsBytes);

    std::int32_t Count() const { return static_cast<std::int32_t>(FEntries.size()); }
    const TPayloadEntry& Entry(std::int32_t index) const { return FEntries[index]; }
    // The name as the reader read it; the stored bytes are PayloadEntryName(Entry(index)).
    const TFileName& Name(std::int32_t index) const { return FNames[index]; }
    // The entry's stored bytes, found by walking the data area in directory order.
    const std::uint8_t* StoredData(std::int32_t index) const { return FData.data() + FCursors[index]; }
    std::int32_t StoredSize(std::int32_t index) const { return FEntries[index].StoredSize; }

private:
    std::vector<std::uint8_t> FData;
    std::vector<TPayloadEntry> FEntries;
    std::vector<TFileName> FNames;
    std::vector<std::uint64_t> FCursors;
};

// Where restored files go. The name is the stored one; the sink joins it to its folder.
class TPayloadFileSink {
public:
    virtual ~TPayloadFileSink() = default;
    // Creates or replaces the file with exactly these bytes; raises EInOutError on failure.
    virtual void WriteFile(const TFileName& name, const std::uint8_t* data, std::size_t size) = 0;
};

struct TRestoreProgress {
    std::function<void(std::int32_t count)> OnCount;       // once, before the first file
    std::function<void(std::int32_t index)> OnFileWritten;  // after each file
};

// Inflates each entry of the payload and writes it through the sink, in directory order. Every
// check runs before the first file is written; files written before a later failure stay.
void RestorePayload(const TPayload& payload, TPayloadFileSink& sink, const TRestoreProgress& progress = {});

// The inflated contents of one entry, for tools that read without writing.
std::vector<std::uint8_t> InflatePayloadEntry(const TPayload& payload, std::int32_t index);
