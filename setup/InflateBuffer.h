// Inflating one complete zlib stream held in memory, and the errors that it raises.
#pragma once

#include "../framework/Exceptions.h"

#include <cstdint>

class EZlibError : public Exception {
public:
    using Exception::Exception;
};

// Raised with the text "error" for every failure that zlib reports.
class EDecompressionError : public EZlibError {
public:
    EDecompressionError() : EZlibError("error") {}
};

// Inflates the zlib stream of inBytes bytes at inBuf into a new heap block of outBytes bytes, which
// the caller frees with std::free. The first output space is outEstimate bytes (inBytes rounded up
// to 256 when 0) and each growth adds inBytes rounded up to 256. On failure nothing stays
// allocated: EDecompressionError for a zlib failure, EOutOfMemory when memory runs out.
void InflateBuffer(const void* inBuf, std::int32_t inBytes, void*& outBuf, std::int32_t& outBytes,
                   std::int32_t outEstimate = 0);
