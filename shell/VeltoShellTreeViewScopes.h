// Small helpers shared by the shell tree view's sources: a node's PIDL, text conversion, and scopes
// that restore the cursor, the update count, the error mode and a guard flag on every path, the
// last two of a tree only while it still lives (the scope may have run user code that ended it).
#pragma once

#include "../framework/Forms.h"
#include "../framework/TreeView.h"

#include <string>

namespace velto_tree_detail {

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
class TScreenCursorScope {
public:
    explicit TScreenCursorScope(TCursor cursor) : FOld(Screen ? Screen->Cursor() : crDefault)
    {
        if (Screen)
            Screen->SetCursor(cursor);
    }
    ~TScreenCursorScope()
    {
        if (Screen)
            Screen->SetCursor(FOld);
    }
    TScreenCursorScope(const TScreenCursorScope&) = delete;
    TScreenCursorScope& operator=(const TScreenCursorScope&) = delete;

private:
    TCursor FOld;
};

class TNodesUpdateScope {
public:
    explicit TNodesUpdateScope(TCustomTreeView& tree) : FNodes(*tree.Items()), FWatch(tree.WatchNodes())
    {
        FNodes.BeginUpdate();
    }
    ~TNodesUpdateScope()
    {
        if (FWatch.Alive())
            FNodes.EndUpdate();
    }
    TNodesUpdateScope(const TNodesUpdateScope&) = delete;
    TNodesUpdateScope& operator=(const TNodesUpdateScope&) = delete;

private:
    TTreeNodes& FNodes;
    TNodesWatch FWatch;
};

class TErrorModeScope {
public:
    explicit TErrorModeScope(UINT mode) : FOld(SetErrorMode(mode)) {}
    ~TErrorModeScope() { SetErrorMode(FOld); }
    TErrorModeScope(const TErrorModeScope&) = delete;
    TErrorModeScope& operator=(const TErrorModeScope&) = delete;

private:
    UINT FOld;
};

// Sets a flag of the tree for the length of a scope.
class TFlagScope {
public:
    TFlagScope(const TCustomTreeView& tree, bool& flag) : FFlag(flag), FWatch(tree.WatchNodes()) { FFlag = true; }
    ~TFlagScope()
    {
        if (FWatch.Alive())
            FFlag = false;
    }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    TNodesWatch FWatch;
};

}  // namespace velto_tree_detail
