// Reading stored names in the code page each was made in.
#include "StoredNames.h"

#include "PayloadFormat.h"

UINT SystemAnsiCodePage()
{
    DWORD codePage = 0;
    if (!GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(wchar_t)) ||
        codePage == 0)
        return GetACP();
    return codePage;
}

UINT StoredNameCodePage(std::string_view stored, UINT programCodePage, UINT systemCodePage)
{
    if (programCodePage != CP_UTF8 || DecodeUtf8(stored))
        return programCodePage;
    return systemCodePage;
}

std::optional<std::wstring> ReadStoredNameIn(std::string_view stored, UINT programCodePage, UINT systemCodePage)
{
    // No code page makes more UTF-16 units of a text than it has bytes.
    std::wstring name(stored.size(), L'\0');
    if (!stored.empty()) {
        const int length = MultiByteToWideChar(StoredNameCodePage(stored, programCodePage, systemCodePage), 0,
                                               stored.data(), static_cast<int>(stored.size()), name.data(),
                                               static_cast<int>(name.size()));
        name.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    }
    if (!IsSafePayloadName(name))
        return std::nullopt;
    return name;
}

std::optional<std::wstring> ReadStoredName(std::string_view stored)
{
    return ReadStoredNameIn(stored, GetACP(), SystemAnsiCodePage());
}
