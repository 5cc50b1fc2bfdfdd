// Texts in the program's code page (the system's, or UTF-8 where the manifest makes it so) to and
// from UTF-16, for the calls that have no A form that reads that code page (GDI's draw in the
// system's), and for texts that an A form's fixed buffer cannot hold (in UTF-8 a character takes up
// to four bytes).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The text, read in the program's code page, in UTF-16.
inline std::wstring WideFromAnsi(std::string_view text)
{
    const int size = static_cast<int>(text.size());
    const int length = text.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

// The text in the program's code page, whole; a character the code page lacks becomes what the
// A functions make of it.
inline std::string AnsiFromWide(std::wstring_view text)
{
    const int size = static_cast<int>(text.size());
    const int length =
        text.empty() ? 0 : WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}
