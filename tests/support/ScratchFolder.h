// A fresh folder per test under the system's temporary folder, removed with everything in it; and,
// on Windows, a scratch share for UNC paths.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

class TScratchFolder {
public:
    TScratchFolder()
    {
        static std::atomic<int> serial{0};
        const auto stamp = std::filesystem::file_time_type::clock::now().time_since_epoch().count();
        FPath = std::filesystem::temp_directory_path() /
                ("unpack-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(FPath);
    }
    ~TScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::filesystem::path operator/(const std::string& name) const { return FPath / name; }

private:
    std::filesystem::path FPath;
};

#ifdef _WIN32
// A share for UNC paths, \\<Server()>\share, and the folder that holds its contents. Wine serves
// a UNC path from the folder dosdevices\unc\<server>\<share> of its prefix: the test makes that
// folder, under a server name of its own, and removes the server's folder again. Available() is
// false on a platform that serves no such share; the test then skips.
class TScratchShare {
public:
    TScratchShare()
    {
        const char* prefix = std::getenv("WINEPREFIX");
        if (!prefix)
            return;
        static std::atomic<int> serial{0};
        FServer = "unpack-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
        FServerFolder = std::filesystem::path(std::string("Z:") + prefix) / "dosdevices" / "unc" / FServer;
        std::filesystem::create_directories(FServerFolder / "share");
    }
    ~TScratchShare()
    {
        std::error_code ignored;
        if (!FServer.empty())
            std::filesystem::remove_all(FServerFolder, ignored);
    }
    TScratchShare(const TScratchShare&) = delete;
    TScratchShare& operator=(const TScratchShare&) = delete;

    bool Available() const
    {
        const DWORD attributes = FServer.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA((Share() + "\\").c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    const std::string& Server() const { return FServer; }
    // "\\server\share", without a backslash at the end.
    std::string Share() const { return "\\\\" + FServer + "\\share"; }
    // The folder that holds the server's shares.
    const std::filesystem::path& ServerFolder() const { return FServerFolder; }

private:
    std::string FServer;
    std::filesystem::path FServerFolder;
};
#endif

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
