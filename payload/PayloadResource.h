// The payload embedded in the program as the raw-data resource "DATA".
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct TResourceBytes {
    const std::uint8_t* Data;  // read-only memory of the module; never written
    std::size_t Size;
};

// Finds, loads and locks the "DATA" resource of the module; raises Exception "Setup Data not found."
// when any of the three steps gives nothing.
TResourceBytes LoadPayloadResource(HMODULE module);
