// Scope.h: the owner of handles, the value scope and the scope-exit guard.
#include "../../framework/Scope.h"

#include <doctest.h>

#include <stdexcept>
#include <vector>

namespace {

std::vector<int> Closed;

// The thread's last error: GetLastError on Windows, errno elsewhere.
int LastError()
{
#ifdef _WIN32
    return static_cast<int>(GetLastError());
#else
    return errno;
#endif
}

void SetLastErrorTo(int error)
{
#ifdef _WIN32
    SetLastError(static_cast<DWORD>(error));
#else
    errno = error;
#endif
}

// Records each close; a close that fails leaves its own error behind, as CloseHandle does.
void CloseRecorded(int handle)
{
    Closed.push_back(handle);
    SetLastErrorTo(6);
}

using TRecordedHandle = TUniqueHandle<TZeroHandleTraits<int, &CloseRecorded>>;

}  // namespace

TEST_SUITE("Scope") {

TEST_CASE("TUniqueHandle closes what it holds once, and nothing it gave away")
{
    Closed.clear();
    {
        TRecordedHandle a(1);
        TRecordedHandle b(std::move(a));
        CHECK_FALSE(a);
        a = std::move(b);
        CHECK(Closed.empty());
        a.reset(2);
        CHECK(Closed == std::vector<int>{1});
        // put() closes the old handle before it hands out the address to fill.
        *a.put() = 3;
        CHECK(Closed == std::vector<int>{1, 2});
        CHECK(a.get() == 3);
        b.reset(4);
        CHECK(b.release() == 4);
        CHECK_FALSE(b);
        b = TRecordedHandle(5);
        b = TRecordedHandle(6);
        CHECK(Closed == std::vector<int>{1, 2, 5});
    }
    CHECK(Closed == std::vector<int>{1, 2, 5, 6, 3});
}

TEST_CASE("closing a handle keeps the last error of the failed call before it")
{
    Closed.clear();
    {
        TRecordedHandle handle(1);
        SetLastErrorTo(5);
        handle.reset(2);
        CHECK(LastError() == 5);
        SetLastErrorTo(3);
        *handle.put() = 4;
        CHECK(LastError() == 3);
    }
    CHECK(LastError() == 3);
    CHECK(Closed == std::vector<int>{1, 2, 4});
}

TEST_CASE("TScopedValue puts the old value back, also when an exception leaves the scope")
{
    int depth = 1;
    {
        const TScopedValue outer(depth, 2);
        {
            const TScopedValue inner(depth, depth + 1);
            CHECK(depth == 3);
        }
        CHECK(depth == 2);
    }
    CHECK(depth == 1);

    bool flag = false;
    try {
        const TScopedValue setting(flag, true);
        CHECK(flag);
        throw std::runtime_error("leaves");
    } catch (const std::runtime_error&) {
    }
    CHECK_FALSE(flag);
}

TEST_CASE("ScopeExit runs once when the scope ends, on every path, and never once dismissed")
{
    int runs = 0;
    {
        const auto counted = ScopeExit([&] { ++runs; });
        CHECK(runs == 0);
    }
    CHECK(runs == 1);
    try {
        const auto counted = ScopeExit([&] { ++runs; });
        throw std::runtime_error("leaves");
    } catch (const std::runtime_error&) {
    }
    CHECK(runs == 2);
    {
        auto dismissed = ScopeExit([&] { ++runs; });
        dismissed.Dismiss();
    }
    CHECK(runs == 2);
}

}  // TEST_SUITE
