// TTreeControl: the native tree-view control's messages, one line each over the window's handle.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstring>

// A value over a tree-view window, made where it is used. A null window answers every message with
// 0 (false, nullptr) and changes nothing, so that the callers need no check of their own.
class TTreeControl {
public:
    explicit TTreeControl(HWND window) : FWindow(window) {}
    explicit operator bool() const { return FWindow != nullptr; }

    // Attributes
    // The item code (TVGN_*) names from item; TVGN_ROOT, TVGN_CARET and TVGN_DROPHILITE need none.
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const { return Item(Send(TVM_GETNEXTITEM, code, Param(item))); }
    bool GetItem(TVITEMA& item) const { return Send(TVM_GETITEMA, 0, Param(&item)) != FALSE; }
    bool SetItem(TVITEMA& item) const { return Send(TVM_SETITEMA, 0, Param(&item)) != FALSE; }
    UINT GetItemState(HTREEITEM item, UINT mask) const
    {
        return static_cast<UINT>(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
    }
    // The item's rectangle (its text only, or the whole row); false while it is not shown.
    bool GetItemRect(HTREEITEM item, RECT& rect, bool textOnly) const
    {
        // The message takes the item in the rectangle's place.
        static_assert(sizeof(HTREEITEM) <= sizeof(RECT));
        std::memcpy(&rect, &item, sizeof(item));
        return Send(TVM_GETITEMRECT, textOnly, Param(&rect)) != FALSE;
    }
    HTREEITEM HitTest(TVHITTESTINFO& hit) const { return Item(Send(TVM_HITTEST, 0, Param(&hit))); }
    void SetIndent(int indent) const { Send(TVM_SETINDENT, static_cast<WPARAM>(indent), 0); }
    void SetImageList(UINT kind, HIMAGELIST images) const { Send(TVM_SETIMAGELIST, kind, Param(images)); }
    // Colours as the control takes them: -1 hands the colour back to the system's.
    void SetBkColor(LPARAM color) const { Send(TVM_SETBKCOLOR, 0, color); }
    void SetTextColor(LPARAM color) const { Send(TVM_SETTEXTCOLOR, 0, color); }
    void SetRedraw(bool redraw) const { Send(WM_SETREDRAW, redraw, 0); }

    // Operations
    HTREEITEM InsertItem(TVINSERTSTRUCTA& insert) const { return Item(Send(TVM_INSERTITEMA, 0, Param(&insert))); }
    // The item and its descendants; TVI_ROOT for every item.
    void DeleteItem(HTREEITEM item) const { Send(TVM_DELETEITEM, 0, Param(item)); }
    // action is TVE_EXPAND or TVE_COLLAPSE.
    void Expand(HTREEITEM item, UINT action) const { Send(TVM_EXPAND, action, Param(item)); }
    // kind is TVGN_CARET (the selection) or TVGN_DROPHILITE; nullptr clears it.
    void SelectItem(HTREEITEM item, UINT kind) const { Send(TVM_SELECTITEM, kind, Param(item)); }
    void EnsureVisible(HTREEITEM item) const { Send(TVM_ENSUREVISIBLE, 0, Param(item)); }
    // Ends the label edit that is open, keeping its text or not; nothing when none is.
    void EndEditLabelNow(bool cancel) const { Send(TVM_ENDEDITLABELNOW, cancel, 0); }
    bool SortChildrenCB(TVSORTCB& sort) const { return Send(TVM_SORTCHILDRENCB, 0, Param(&sort)) != FALSE; }
    // One line of scrolling: bar is SB_HORZ or SB_VERT, code an SB_LINE* code.
    void Scroll(int bar, int code) const
    {
        Send(bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, static_cast<WPARAM>(code), 0);
    }

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const
    {
        return FWindow ? SendMessageA(FWindow, message, wParam, lParam) : 0;
    }
    template <typename T>
    static LPARAM Param(T* pointer) { return reinterpret_cast<LPARAM>(pointer); }
    static HTREEITEM Item(LRESULT result) { return reinterpret_cast<HTREEITEM>(result); }

    HWND FWindow;
};
