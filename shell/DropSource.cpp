// TDropSource: the continue and cancel rules of a drag started from the shell tree view.
#include "DropSource.h"

namespace {

constexpr DWORD AnyMouseButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
static_assert(AnyMouseButton == 0x13);

}  // namespace

TDropSource::TDropSource(bool rightButton) : FDragButton(rightButton ? MK_RBUTTON : MK_LBUTTON) {}

HRESULT TDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    if (escapePressed)
        return DRAGDROP_S_CANCEL;
    if (keyState & (AnyMouseButton & ~FDragButton))
        return DRAGDROP_S_CANCEL;
    if (keyState & FDragButton)
        return S_OK;
    return DRAGDROP_S_DROP;
}

HRESULT TDropSource::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}
