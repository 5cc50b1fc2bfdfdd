// Movable owners of Win32 handles: one template, a closer per kind of handle.
#pragma once

#include <windows.h>

#include <utility>

template <typename THandleType, typename TCloser, THandleType InvalidValue>
class TUniqueHandle {
public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(THandleType handle) : FHandle(handle) {}
    ~TUniqueHandle() { reset(); }
    TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    THandleType get() const { return FHandle; }
    explicit operator bool() const { return FHandle != InvalidValue; }

    THandleType release() { return std::exchange(FHandle, InvalidValue); }

    // Closes the handle held; keeps GetLastError intact so that a failure can still be read.
    void reset(THandleType handle = InvalidValue)
    {
        if (FHandle != InvalidValue) {
            const DWORD error = GetLastError();
            TCloser()(FHandle);
            SetLastError(error);
        }
        FHandle = handle;
    }

private:
    THandleType FHandle = InvalidValue;
};

struct THandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

// A file handle from CreateFile: invalid is INVALID_HANDLE_VALUE, not 0.
class TFileHandle : public TUniqueHandle<HANDLE, THandleCloser, nullptr> {
public:
    TFileHandle() = default;
    explicit TFileHandle(HANDLE handle)
        : TUniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
};
