// A thin forwarding wrapper around the real desktop folder, handed to the shell tree's listing
// threads for the length of a test, whose one named folder is slow to list or refuses: the slow
// share or spinning-up drive that Wine never produces.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <filesystem>

// While it lives, every listing thread started gets a wrapper of its own real desktop; the folder
// bound through it at path waits enumDelayMs in EnumObjects and nextDelayMs in every Next, or,
// with refuse, answers EnumObjects with E_FAIL. Every other folder is the real one.
class TSlowListingScope {
public:
    // A new wrapper of the calling thread's real desktop with the scope's slow folder, as the
    // listing threads get it: for a caller that wants the window's thread slowed down as well.
    static HRESULT MakeDesktop(IShellFolder** desktop);

    TSlowListingScope(const std::filesystem::path& folder, int enumDelayMs, int nextDelayMs, bool refuse = false);
    ~TSlowListingScope();
    TSlowListingScope(const TSlowListingScope&) = delete;
    TSlowListingScope& operator=(const TSlowListingScope&) = delete;
};
