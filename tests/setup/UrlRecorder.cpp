// A stand-in web browser for the link tests: registered as the handler of http addresses, it adds
// what it was asked to open, one line per start, to the record file named first on its command line.
#include <windows.h>

#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 2)
        return 2;
    std::wstring opened;
    for (int i = 2; i < count; ++i)
        opened += (i > 2 ? L" " : L"") + std::wstring(arguments[i]);
    std::string line(static_cast<std::size_t>(opened.size()) * 4 + 2, '\0');
    const int length = WideCharToMultiByte(CP_ACP, 0, opened.c_str(), static_cast<int>(opened.size()), line.data(),
                                           static_cast<int>(line.size()), nullptr, nullptr);
    line.resize(static_cast<std::size_t>(length));
    line += "\r\n";
    // Appending in one write keeps the lines of two starts apart.
    HANDLE file = CreateFileW(arguments[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    LocalFree(arguments);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 4;
}
