// The entry of every test program: doctest's runner, behind the crash guard on Windows.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#ifdef _WIN32
#include "CrashGuard.h"
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    InstallCrashGuard();
#endif
    doctest::Context context(argc, argv);
    const int result = context.run();
#ifdef _WIN32
    TestsFinished();
#endif
    return result;
}
