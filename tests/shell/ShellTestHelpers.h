// Helpers of the shell library's tests: hand-built item-id lists and PIDLs of scratch items.
#pragma once

#include "../../shell/VeltoShellConstants.h"
#include "../../shell/VeltoShellPidl.h"

#include <doctest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

// The bytes of a list whose items have the given cb values; item i's other bytes all hold i + 1.
inline std::vector<BYTE> IDListBytes(std::initializer_list<unsigned> itemSizes)
{
    std::vector<BYTE> bytes;
    BYTE fill = 1;
    for (const unsigned cb : itemSizes) {
        bytes.push_back(static_cast<BYTE>(cb & 0xFF));
        bytes.push_back(static_cast<BYTE>(cb >> 8));
        bytes.insert(bytes.end(), cb - 2, fill++);
    }
    bytes.insert(bytes.end(), 2, 0);
    return bytes;
}

// A block from the shell allocator holding these bytes.
inline TPidl MakeIDList(const std::vector<BYTE>& bytes)
{
    TPidl list(AllocIDList(static_cast<UINT>(bytes.size())));
    REQUIRE(list);
    std::memcpy(list.get(), bytes.data(), bytes.size());
    return list;
}

// The first count bytes at the address.
inline std::vector<BYTE> BytesAt(const void* address, std::size_t count)
{
    const BYTE* start = static_cast<const BYTE*>(address);
    return std::vector<BYTE>(start, start + count);
}

// What SHGetFileInfoA gives for a PIDL: its return value and the record it filled.
struct TShellAnswer {
    DWORD_PTR Result = 0;
    SHFILEINFOA Info{};
};

// Asks the shell itself about a PIDL (SHGFI_PIDL is added); the record starts cleared, with
// dwAttributes preset as the caller says.
inline TShellAnswer AskShell(LPCITEMIDLIST idList, UINT flags, DWORD presetAttributes = 0)
{
    TShellAnswer answer;
    answer.Info.dwAttributes = presetAttributes;
    answer.Result = SHGetFileInfoA(reinterpret_cast<LPCSTR>(idList), 0, &answer.Info, sizeof(answer.Info),
                                   SHGFI_PIDL | flags);
    return answer;
}

// The PIDL of a file-system item, parsed by the desktop.
inline TPidl PidlOf(const std::filesystem::path& path) { return TPidl(PathToIDList(path.wstring())); }

// A context menu that does nothing but count its references, and run WhileHandling once when it is
// handed a menu message; it lives on the stack of a test.
class TCountedContextMenu final : public IContextMenu2 {
public:
    ULONG References = 0;
    std::function<void()> WhileHandling;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IContextMenu || iid == IID_IContextMenu2) {
            *object = static_cast<IContextMenu2*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override { return --References; }
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT, WPARAM, LPARAM) override
    {
        if (WhileHandling)
            std::exchange(WhileHandling, nullptr)();
        return E_NOTIMPL;
    }
};
