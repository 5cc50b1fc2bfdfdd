// Small helpers shared by the shell tree view's sources: a node's PIDL, text conversion, and scopes
// that restore the cursor, the update count, the error mode and a guard flag on every path, the
// update count and the flag only while the tree still lives (the scope may have run user code that
// ended it).
#pragma once

#include "../framework/Forms.h"
#include "../framework/Scope.h"
#include "../framework/TreeView.h"
#include "VeltoShellConstants.h"

#include <shlobj.h>

#include <string>

namespace velto_tree_detail {

// SFGAO_FILESYSTEM, SFGAO_FILESYSANCESTOR and SFGAO_FOLDER: the items a listing shows.
constexpr SFGAOF ShownItemMask = 0x70000000;
// SFGAO_HASSUBFOLDER, the dimmed bit and SFGAO_SHARE: what a node shows of its item.
constexpr SFGAOF NodeInfoMask = SFGAO_HASSUBFOLDER | SfgaoGhosted | SFGAO_SHARE;
static_assert(NodeInfoMask == 0x800A0000);
// What a listing asks of each item.
constexpr SFGAOF ListingMask = ShownItemMask | NodeInfoMask;

// The tree's timer that drains what its listings found, slice by slice.
constexpr UINT_PTR ListingTimerId = 0x564C;

// Posted by a listing thread to the tree's window when found items wait or the listing ended. A
// registered message: a window that took over a gone tree's handle value ignores it.
inline UINT ListingReadyMessage()
{
    static const UINT message = RegisterWindowMessageA("VeltoShellTreeListingReady");
    return message;
}

// The node's absolute PIDL; the node keeps owning it.
inline LPITEMIDLIST NodePidl(const TTreeNode* node)
{
    return static_cast<LPITEMIDLIST>(node->Data());
}

// The system code page's text as UTF-16.
inline std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// The screen cursor for the length of a scope.
struct TScreenCursorScope : TScopeExitFunction {
    explicit TScreenCursorScope(TCursor cursor)
        : TScopeExitFunction([old = Screen ? Screen->Cursor() : crDefault] {
              if (Screen)
                  Screen->SetCursor(old);
          })
    {
        if (Screen)
            Screen->SetCursor(cursor);
    }
};

// The tree's nodes in an update for the length of a scope.
struct TNodesUpdateScope : TScopeExitFunction {
    explicit TNodesUpdateScope(TCustomTreeView& tree)
        : TScopeExitFunction([&nodes = *tree.Items(), watch = tree.WatchNodes()] {
              if (watch.Alive())
                  nodes.EndUpdate();
          })
    {
        tree.Items()->BeginUpdate();
    }
};

// The thread's error mode for the length of a scope; the process's would change every other thread's.
struct TErrorModeScope : TScopeExitFunction {
    explicit TErrorModeScope(DWORD mode)
        : TScopeExitFunction([old = GetThreadErrorMode()] { SetThreadErrorMode(old, nullptr); })
    {
        SetThreadErrorMode(mode, nullptr);
    }
};

// Sets a flag of the tree for the length of a scope.
struct TFlagScope : TScopeExitFunction {
    TFlagScope(const TCustomTreeView& tree, bool& flag)
        : TScopeExitFunction([&flag, watch = tree.WatchNodes()] {
              if (watch.Alive())
                  flag = false;
          })
    {
        flag = true;
    }
};

}  // namespace velto_tree_detail
