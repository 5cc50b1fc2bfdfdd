// TPidl: a movable owner of one PIDL, freed through FreeIDList.
#pragma once

#include "VeltoShellFunctions.h"

#include <utility>

// Holds one PIDL that came from ShellMalloc and frees it when destroyed or reset.
class TPidl {
public:
    TPidl() noexcept = default;
    // Takes ownership of the PIDL.
    explicit TPidl(LPITEMIDLIST idList) noexcept : FIDList(idList) {}
    ~TPidl() { reset(); }
    TPidl(TPidl&& other) noexcept : FIDList(other.release()) {}
    TPidl& operator=(TPidl&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    TPidl(const TPidl&) = delete;
    TPidl& operator=(const TPidl&) = delete;

    LPITEMIDLIST get() const noexcept { return FIDList; }
    explicit operator bool() const noexcept { return FIDList != nullptr; }

    // Frees the PIDL held and takes ownership of the one given.
    void reset(LPITEMIDLIST idList = nullptr) noexcept { FreeIDList(std::exchange(FIDList, idList)); }
    // Gives up ownership: the caller frees the PIDL now.
    [[nodiscard]] LPITEMIDLIST release() noexcept { return std::exchange(FIDList, nullptr); }
    // The address for an out parameter; frees the PIDL held first.
    LPITEMIDLIST* put() noexcept
    {
        reset();
        return &FIDList;
    }

private:
    LPITEMIDLIST FIDList = nullptr;
};
