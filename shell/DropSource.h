// TDropSource: the drop source of one OLE drag started from a shell tree view.
#pragma once

#include "../framework/InterfacedObject.h"

#include <ole2.h>

// Decides, for OLE's drag loop, whether a drag goes on, drops or is cancelled, from the mouse
// button that began it; the system's default cursors show the effect. Reference counted: made with
// MakeInterfaced, freed by the last Release.
class TDropSource : public TInterfacedObject<IDropSource> {
public:
    // The drag was begun with the right button (true) or the left button (false).
    explicit TDropSource(bool rightButton);

    // MK_LBUTTON or MK_RBUTTON: the button the drag was begun with.
    DWORD DragButton() const { return FDragButton; }

    // Esc, or any mouse button other than the drag button, cancels; the drag button held goes on;
    // its release drops.
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    // Always DRAGDROP_S_USEDEFAULTCURSORS.
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    const DWORD FDragButton;
};
