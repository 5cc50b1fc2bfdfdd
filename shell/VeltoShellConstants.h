// Shell constants the library relies on that the platform headers lack or define with another value.
#pragma once

#include <windows.h>
#include <shlobj.h>

// The attribute by which the components draw an item dimmed: bit 0x80000, the bit the shell sets on
// hidden items. The platform headers call that bit SFGAO_HIDDEN; their SFGAO_GHOSTED is another bit
// (0x8000), so the library never uses that macro.
inline constexpr SFGAOF SfgaoGhosted = 0x00080000;
static_assert(SfgaoGhosted == SFGAO_HIDDEN);
