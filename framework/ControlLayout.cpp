// Where controls go: bounds, size constraints, alignment, anchors and scaling.
#include "Controls.h"

#include <algorithm>
#include <numeric>

const TClassInfo& TSizeConstraints::StaticClassInfo()
{
    using C = TSizeConstraints;
    static const TClassInfo info{
        .Name = "TSizeConstraints",
        .Parent = &TPersistent::StaticClassInfo(),
        .Properties = {
            IntProperty<C>("MaxHeight", &C::MaxHeight, &C::SetMaxHeight),
            IntProperty<C>("MaxWidth", &C::MaxWidth, &C::SetMaxWidth),
            IntProperty<C>("MinHeight", &C::MinHeight, &C::SetMinHeight),
            IntProperty<C>("MinWidth", &C::MinWidth, &C::SetMinWidth),
        },
        .New = [] { return std::make_unique<TSizeConstraints>(); }};
    return info;
}

void TSizeConstraints::Change(int& field, int value)
{
    if (ChangeField(field, std::max(0, value)) && OnChange)
        OnChange(this);
}

int TSizeConstraints::Clamp(int size, int min, int max)
{
    if (min > 0)
        size = std::max(size, min);
    if (max > 0)
        size = std::min(size, max);
    return size;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = FConstraints.ClampWidth(width);
    height = FConstraints.ClampHeight(height);
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight)
        return;
    const int oldWidth = FWidth;
    const int oldHeight = FHeight;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    BoundsChanged(oldWidth, oldHeight);
}

void TControl::BoundsChanged(int, int)
{
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetAlign(TAlign value)
{
    if (!ChangeField(FAlign, value))
        return;
    if (FParent)
        FParent->Realign();
}

void TControl::ChangeScale(int multiplier, int divisor)
{
    const auto scale = [multiplier, divisor](int length) { return MulDiv(length, multiplier, divisor); };
    // Recorded first: a parent laid out while this control moves already asks for the new scale.
    FScaleMultiplier *= multiplier;
    FScaleDivisor *= divisor;
    const int common = std::gcd(FScaleMultiplier, FScaleDivisor);
    FScaleMultiplier /= common;
    FScaleDivisor /= common;
    // The edges are scaled, not the sizes: controls that met at design time still meet.
    const int left = scale(FLeft);
    const int top = scale(FTop);
    const int right = scale(FLeft + FWidth);
    const int bottom = scale(FTop + FHeight);
    FConstraints.SetMinWidth(scale(FConstraints.MinWidth()));
    FConstraints.SetMinHeight(scale(FConstraints.MinHeight()));
    FConstraints.SetMaxWidth(scale(FConstraints.MaxWidth()));
    FConstraints.SetMaxHeight(scale(FConstraints.MaxHeight()));
    SetBounds(left, top, right - left, bottom - top);
    // A font taken from the parent follows the parent's, which scales its own.
    if (!FParentFont)
        FFont.SetHeight(scale(FFont.Height()));
}

void TWinControl::SyncBounds(const WINDOWPOS& position)
{
    if (IsIconic(FHandle))
        return;
    int left = FLeft, top = FTop, width = FWidth, height = FHeight;
    if (!(position.flags & SWP_NOMOVE)) {
        left = position.x;
        top = position.y;
    }
    if (!(position.flags & SWP_NOSIZE)) {
        width = position.cx;
        height = position.cy;
    }
    const TScopedValue syncing(FSyncingBounds, true);
    SetBounds(left, top, width, height);
}

void TWinControl::BoundsChanged(int oldWidth, int oldHeight)
{
    if (FHandle && !FSyncingBounds)
        SetWindowPos(FHandle, nullptr, FLeft, FTop, FWidth, FHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (FWidth != oldWidth || FHeight != oldHeight)
        Realign();
    TControl::BoundsChanged(oldWidth, oldHeight);
}

RECT TWinControl::ClientRect() const
{
    RECT rect{0, 0, 0, 0};
    if (FHandle) {
        GetClientRect(FHandle, &rect);
        return rect;
    }
    // CreateParams only reads the fields; it is not const so that overrides may use non-const getters.
    TCreateParams params;
    const_cast<TWinControl*>(this)->CreateParams(params);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
    rect.right = std::max(0, FWidth - static_cast<int>(frame.right - frame.left));
    rect.bottom = std::max(0, FHeight - static_cast<int>(frame.bottom - frame.top));
    return rect;
}

void TWinControl::AdjustClientRect(RECT& rect)
{
    InflateRect(&rect, -FBorderWidth, -FBorderWidth);
}

void TWinControl::Realign()
{
    if (FAligning || FInDestructor)
        return;
    RECT rect = ClientRect();
    // The form text places the children for the size it gives the parent: that is where they start.
    if (IsLoading()) {
        FAnchorClient = SIZE{rect.right, rect.bottom};
        return;
    }
    const TScopedValue aligning(FAligning, true);
    AnchorControls({rect.right, rect.bottom});
    AdjustClientRect(rect);
    AlignControls(rect);
}

void TWinControl::AnchorControls(SIZE client)
{
    const std::optional<SIZE> previous = std::exchange(FAnchorClient, client);
    if (!previous)
        return;
    const int dx = client.cx - previous->cx;
    const int dy = client.cy - previous->cy;
    if (dx == 0 && dy == 0)
        return;
    // Along each axis: anchored to the far edge only, the control moves; to both, it stretches;
    // to neither, it keeps its place relative to the middle.
    const auto follow = [](TAnchors anchors, TAnchorKind nearEdge, TAnchorKind farEdge, int delta, int& pos,
                           int& size) {
        if (InSet(anchors, farEdge)) {
            if (InSet(anchors, nearEdge))
                size = std::max(0, size + delta);
            else
                pos += delta;
        } else if (!InSet(anchors, nearEdge)) {
            pos += delta / 2;
        }
    };
    const std::vector<TControl*> controls = FControls;
    for (TControl* control : controls) {
        if (control->Align() != alNone)
            continue;
        int left = control->Left(), top = control->Top(), width = control->Width(), height = control->Height();
        follow(control->Anchors(), akLeft, akRight, dx, left, width);
        follow(control->Anchors(), akTop, akBottom, dy, top, height);
        control->SetBounds(left, top, width, height);
    }
}

void TWinControl::AlignControls(RECT& rect)
{
    for (const TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> list;
        for (TControl* control : FControls)
            if (control->Align() == align && control->Visible())
                list.push_back(control);
        // Controls of one alignment keep the order of their places; ties keep the list order.
        std::stable_sort(list.begin(), list.end(), [align](const TControl* a, const TControl* b) {
            switch (align) {
            case alTop: return a->Top() < b->Top();
            case alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
            case alLeft: return a->Left() < b->Left();
            case alRight: return a->Left() + a->Width() > b->Left() + b->Width();
            default: return false;
            }
        });
        for (TControl* control : list) {
            const int width = std::max(0, static_cast<int>(rect.right - rect.left));
            const int height = std::max(0, static_cast<int>(rect.bottom - rect.top));
            // A control may change its own size when placed (a label sizing to its text): the
            // second call puts it at the edge with the size it took.
            switch (align) {
            case alTop:
                control->SetBounds(rect.left, rect.top, width, control->Height());
                rect.top += control->Height();
                break;
            case alBottom:
                control->SetBounds(rect.left, rect.bottom - control->Height(), width, control->Height());
                control->SetBounds(rect.left, rect.bottom - control->Height(), control->Width(), control->Height());
                rect.bottom -= control->Height();
                break;
            case alLeft:
                control->SetBounds(rect.left, rect.top, control->Width(), height);
                rect.left += control->Width();
                break;
            case alRight:
                control->SetBounds(rect.right - control->Width(), rect.top, control->Width(), height);
                control->SetBounds(rect.right - control->Width(), rect.top, control->Width(), control->Height());
                rect.right -= control->Width();
                break;
            default:
                control->SetBounds(rect.left, rect.top, width, height);
            }
        }
    }
}

void TWinControl::ChangeScale(int multiplier, int divisor)
{
    TControl::ChangeScale(multiplier, divisor);
    SetBorderWidth(MulDiv(FBorderWidth, multiplier, divisor));
    const std::vector<TControl*> controls = FControls;
    for (TControl* control : controls)
        control->ChangeScale(multiplier, divisor);
}
