// The clean-up toolkit: a scope that sets a variable and puts its old value back, a scope-exit
// guard, and TUniqueHandle, one movable owner for every kind of handle, with the catalogue of kinds.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

// --- Scopes

// Runs a function when the scope ends, on every path, unless dismissed first. The function must
// not raise.
template <typename TFunction>
class TScopeExit {
public:
    explicit TScopeExit(TFunction function) : FFunction(std::move(function)) {}
    ~TScopeExit()
    {
        if (FArmed)
            FFunction();
    }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

    // The function will not run.
    void Dismiss() { FArmed = false; }

private:
    TFunction FFunction;
    bool FArmed = true;
};

// auto done = ScopeExit([&] { ... });
template <typename TFunction>
[[nodiscard]] TScopeExit<TFunction> ScopeExit(TFunction function)
{
    return TScopeExit<TFunction>(std::move(function));
}

// A scope-exit whose function is given at run time: the base of a named scope, whose constructor
// does the setting and hands over the putting back.
using TScopeExitFunction = TScopeExit<std::function<void()>>;

// Sets a variable for the length of a scope and puts the value it had back when the scope ends,
// also when an exception leaves it.
template <typename T>
class TScopedValue {
public:
    TScopedValue(T& variable, std::type_identity_t<T> value)
        : FVariable(variable), FOld(std::exchange(variable, std::move(value)))
    {
    }
    ~TScopedValue() { FVariable = std::move(FOld); }
    TScopedValue(const TScopedValue&) = delete;
    TScopedValue& operator=(const TScopedValue&) = delete;

private:
    T& FVariable;
    T FOld;
};

// --- Handles

// A kind of handle for TUniqueHandle: TType, Invalid() (the value that holds nothing) and Close.
// This one is for the handles that hold nothing when they are zero.
template <typename THandle, auto CloseFunction>
struct TZeroHandleTraits {
    using TType = THandle;
    static constexpr THandle Invalid() { return THandle{}; }
    static void Close(THandle handle) { CloseFunction(handle); }
};

// Owns one handle and closes it through its traits when it goes. Movable, not copyable. Closing
// keeps the thread's last error (errno off Windows) intact, so that a failure can still be read
// after the handle of the failed call went.
template <typename TTraits>
class TUniqueHandle {
public:
    using TType = typename TTraits::TType;

    TUniqueHandle() = default;
    explicit TUniqueHandle(TType handle) : FHandle(handle) {}
    ~TUniqueHandle() { reset(); }
    TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    TType get() const { return FHandle; }
    explicit operator bool() const { return FHandle != TTraits::Invalid(); }

    // Gives the handle up without closing it.
    TType release() { return std::exchange(FHandle, TTraits::Invalid()); }

    // Closes the handle held, then holds handle.
    void reset(TType handle = TTraits::Invalid())
    {
        if (FHandle != TTraits::Invalid()) {
#ifdef _WIN32
            const DWORD error = GetLastError();
            TTraits::Close(FHandle);
            SetLastError(error);
#else
            const int error = errno;
            TTraits::Close(FHandle);
            errno = error;
#endif
        }
        FHandle = handle;
    }

    // Closes the handle held and gives the address to fill, for the calls that return a handle
    // through a parameter.
    TType* put()
    {
        reset();
        return &FHandle;
    }

private:
    TType FHandle = TTraits::Invalid();
};

// --- The catalogue: every kind of handle the code owns

namespace scope_detail {
inline void CloseFile(std::FILE* file) { std::fclose(file); }
}  // namespace scope_detail

// A block from malloc.
using TMallocBlock = TUniqueHandle<TZeroHandleTraits<void*, &std::free>>;
// A C library stream. Close it with fclose(release()) to see the closing's own error.
using TCFile = TUniqueHandle<TZeroHandleTraits<std::FILE*, &scope_detail::CloseFile>>;

#ifdef _WIN32
namespace scope_detail {
inline void ReleaseScreenDC(HDC dc) { ReleaseDC(nullptr, dc); }
}  // namespace scope_detail

// A file from CreateFile, which holds nothing when it is INVALID_HANDLE_VALUE.
struct TFileHandleTraits {
    using TType = HANDLE;
    static TType Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
using TFileHandle = TUniqueHandle<TFileHandleTraits>;

// Any other kernel object: a process token, an event, a thread.
using TKernelHandle = TUniqueHandle<TZeroHandleTraits<HANDLE, &CloseHandle>>;
using TRegKey = TUniqueHandle<TZeroHandleTraits<HKEY, &RegCloseKey>>;
using TMenuHandle = TUniqueHandle<TZeroHandleTraits<HMENU, &DestroyMenu>>;
using TWindowHandle = TUniqueHandle<TZeroHandleTraits<HWND, &DestroyWindow>>;
using TFontHandle = TUniqueHandle<TZeroHandleTraits<HFONT, &DeleteObject>>;
using TBrushHandle = TUniqueHandle<TZeroHandleTraits<HBRUSH, &DeleteObject>>;
using TBitmapHandle = TUniqueHandle<TZeroHandleTraits<HBITMAP, &DeleteObject>>;
// A device context from CreateCompatibleDC.
using TMemoryDC = TUniqueHandle<TZeroHandleTraits<HDC, &DeleteDC>>;
// The screen's device context, from GetDC(nullptr).
using TScreenDC = TUniqueHandle<TZeroHandleTraits<HDC, &scope_detail::ReleaseScreenDC>>;

// Selects a GDI object into a device context and the previous one back when the scope ends;
// selects nothing for a null object.
[[nodiscard]] inline auto SelectForScope(HDC dc, HGDIOBJ object)
{
    return ScopeExit([dc, old = object ? SelectObject(dc, object) : nullptr] {
        if (old)
            SelectObject(dc, old);
    });
}
#endif
