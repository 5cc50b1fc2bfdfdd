// Locating the embedded payload.
#include "PayloadResource.h"

#include "../framework/Exceptions.h"

TResourceBytes LoadPayloadResource(HMODULE module)
{
    HRSRC info = FindResourceA(module, "DATA", MAKEINTRESOURCEA(10));
    HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const void* locked = loaded ? LockResource(loaded) : nullptr;
    if (!locked)
        throw Exception("Setup Data not found.");
    return {static_cast<const std::uint8_t*>(locked), SizeofResource(module, info)};
}
