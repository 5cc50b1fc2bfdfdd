// TComPtr: a movable owner of one COM interface reference.
#pragma once

#include <unknwn.h>

#include <cstddef>
#include <utility>

// Holds one reference and releases it when destroyed or reset. Copying is not allowed: a second
// reference is taken only where the code says so (AddRef before Attach).
template <typename T>
class TComPtr {
public:
    TComPtr() noexcept = default;
    TComPtr(std::nullptr_t) noexcept {}
    ~TComPtr() { reset(); }
    TComPtr(TComPtr&& other) noexcept : FPointer(other.release()) {}
    TComPtr& operator=(TComPtr&& other) noexcept
    {
        if (this != &other)
            Attach(other.release());
        return *this;
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;

    T* get() const noexcept { return FPointer; }
    T* operator->() const noexcept { return FPointer; }
    explicit operator bool() const noexcept { return FPointer != nullptr; }

    // Releases the reference held, if any; the pointer is nil afterwards.
    void reset() noexcept
    {
        // Cleared before Release: the object's destructor may look at this holder.
        if (T* old = std::exchange(FPointer, nullptr))
            old->Release();
    }

    // Gives up the reference without releasing it: the caller owns it now.
    [[nodiscard]] T* release() noexcept { return std::exchange(FPointer, nullptr); }

    // Takes over a reference the caller owns, without AddRef; the old one is released.
    void Attach(T* pointer) noexcept
    {
        T* old = std::exchange(FPointer, pointer);
        if (old)
            old->Release();
    }
    // Same as release(), under the name COM code expects.
    [[nodiscard]] T* Detach() noexcept { return release(); }

    // The address for an out parameter. Releases the reference held first, so that an out
    // parameter never overwrites (and leaks) a live reference.
    T** put() noexcept
    {
        reset();
        return &FPointer;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // Asks the object for another interface; an empty holder when it has none.
    template <typename U>
    TComPtr<U> Query(REFIID iid) const noexcept
    {
        TComPtr<U> result;
        if (FPointer)
            FPointer->QueryInterface(iid, result.put_void());
        return result;
    }

private:
    T* FPointer = nullptr;
};
