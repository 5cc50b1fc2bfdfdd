// Helpers of the control tests: a host form, places as comparable boxes, the images a tree item
// holds, a click on a node, the process heap, and a recorder of the error display.
#pragma once

#include "../../framework/ComCtrls.h"
#include "../../framework/ExtCtrls.h"
#include "../../framework/Forms.h"
#include "../../framework/Scope.h"
#include "../../framework/StdCtrls.h"
#include "../../framework/TreeView.h"

#include <doctest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// A place as left, top, width and height.
struct TBox {
    int Left, Top, Width, Height;
    bool operator==(const TBox&) const = default;
};

namespace doctest {
template <>
struct StringMaker<TBox> {
    static String convert(const TBox& box)
    {
        char text[64];
        std::snprintf(text, sizeof(text), "{%d, %d, %d, %d}", box.Left, box.Top, box.Width, box.Height);
        return text;
    }
};
}  // namespace doctest

// The place the control's fields hold.
inline TBox FieldBox(const TControl& control)
{
    return {control.Left(), control.Top(), control.Width(), control.Height()};
}

// The place of the window within its parent's client area.
inline TBox WindowBox(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

inline TBox ClientBox(HWND window)
{
    RECT rect;
    GetClientRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

inline std::string WindowText(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

inline LONG_PTR StyleOf(HWND window)
{
    return GetWindowLongPtrA(window, GWL_STYLE);
}

// The image and selected image an item holds in the control. A tree that answers callback indices
// through hooks is kept quiet meanwhile, so that its answer does not stand in for what is held.
inline std::pair<int, int> HeldImages(const TTreeNode* node, bool& quiet)
{
    const TScopedValue quieting(quiet, true);
    TVITEMA item{};
    item.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = node->ItemId();
    SendMessageA(node->TreeView()->Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return {item.iImage, item.iSelectedImage};
}

// Presses a mouse button (WM_LBUTTONDOWN or WM_RBUTTONDOWN) on the middle of the node's label. The
// control tracks the button until it is released: the release waits in the queue.
inline void PressOn(const TTreeNode* node, UINT down)
{
    const RECT label = node->DisplayRect(true);
    const LPARAM at = MAKELPARAM((label.left + label.right) / 2, (label.top + label.bottom) / 2);
    HWND window = node->TreeView()->Handle();
    PostMessageA(window, down + 1, 0, at);
    SendMessageA(window, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, at);
}

// Whether the process heap, where the system's controls keep their items, is sound. Wine checks the
// freed blocks too while its heap warnings are on, as they are in the test runs.
inline bool ProcessHeapSound()
{
    return HeapValidate(GetProcessHeap(), 0, nullptr) != FALSE;
}

// A form of a fixed client size that owns the controls of one test; destroyed with the test.
class THostForm : public TForm {
public:
    explicit THostForm(int clientWidth = 400, int clientHeight = 300) : TForm(nullptr)
    {
        SetClientWidth(clientWidth);
        SetClientHeight(clientHeight);
    }
};

// Records what the error display is given while it lives.
class TErrorRecorder {
public:
    TErrorRecorder()
    {
        Application->OnShowException = [this](const std::string& text) { Texts.push_back(text); };
    }
    ~TErrorRecorder() { Application->OnShowException = nullptr; }
    TErrorRecorder(const TErrorRecorder&) = delete;
    TErrorRecorder& operator=(const TErrorRecorder&) = delete;

    std::vector<std::string> Texts;
};
