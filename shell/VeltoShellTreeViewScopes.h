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

// The one message that runs the tree's pending work: posted by the tree once it is idle, and by a
// listing thread when found items wait or the listing ended. Registered: a window that took over a
// gone tree's handle value ignores it.
inline UINT WorkMessage()
{
    static const UINT message = RegisterWindowMessageA("VeltoShellTreeWork");
    return message;
}
// The timer that resumes a drain cut by its deadline: it comes after input and paint, which a
// message posted again at once would hold up.
constexpr UINT_PTR WorkTimerId = 0x564C;

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

// Sets a flag of the tree to value for the length of a scope.
struct TFlagScope : TScopeExitFunction {
    TFlagScope(const TCustomTreeView& tree, bool& flag, bool value = true)
        : TScopeExitFunction([&flag, watch = tree.WatchNodes()] {
              if (watch.Alive())
                  flag = false;
          })
    {
        flag = value;
    }
};

}  // namespace velto_tree_detail
