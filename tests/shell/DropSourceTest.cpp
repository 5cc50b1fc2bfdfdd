// TDropSource's continue rules as one table: Esc first, then any button other than the drag button,
// then the drag button held, else its release.
#include "../../framework/ComPtr.h"
#include "../../shell/DropSource.h"

#include <doctest.h>

namespace {

// One row: the button the drag began with, what OLE reports, and the answer.
struct TContinueRow {
    bool RightButton;
    BOOL Escape;
    DWORD KeyState;
    HRESULT Expected;
};

constexpr DWORD L = MK_LBUTTON, R = MK_RBUTTON, M = MK_MBUTTON;
constexpr TContinueRow ContinueRows[] = {
    // Esc wins over everything, the drag button held or not.
    {false, TRUE, L, DRAGDROP_S_CANCEL},
    {false, TRUE, 0, DRAGDROP_S_CANCEL},
    {true, TRUE, R, DRAGDROP_S_CANCEL},
    {true, TRUE, 0, DRAGDROP_S_CANCEL},
    // Another button cancels, also once the drag button is up.
    {false, FALSE, L | R, DRAGDROP_S_CANCEL},
    {false, FALSE, L | M, DRAGDROP_S_CANCEL},
    {false, FALSE, R, DRAGDROP_S_CANCEL},
    {false, FALSE, M, DRAGDROP_S_CANCEL},
    {true, FALSE, R | L, DRAGDROP_S_CANCEL},
    {true, FALSE, R | M, DRAGDROP_S_CANCEL},
    {true, FALSE, L, DRAGDROP_S_CANCEL},
    {true, FALSE, M, DRAGDROP_S_CANCEL},
    // The drag button held goes on, whatever modifier keys are down.
    {false, FALSE, L, S_OK},
    {false, FALSE, L | MK_SHIFT | MK_CONTROL, S_OK},
    {true, FALSE, R, S_OK},
    {true, FALSE, R | MK_CONTROL, S_OK},
    // Its release drops.
    {false, FALSE, 0, DRAGDROP_S_DROP},
    {false, FALSE, MK_SHIFT, DRAGDROP_S_DROP},
    {true, FALSE, 0, DRAGDROP_S_DROP},
    {true, FALSE, MK_CONTROL, DRAGDROP_S_DROP},
};

}  // namespace

TEST_SUITE("TDropSource continue rules") {

TEST_CASE("every continue rule, row by row, for a left and a right drag")
{
    for (const TContinueRow& row : ContinueRows) {
        CAPTURE(row.RightButton);
        CAPTURE(row.Escape);
        CAPTURE(row.KeyState);
        const TComPtr<TDropSource> source = MakeInterfaced<TDropSource>(row.RightButton);
        CHECK(source->DragButton() == (row.RightButton ? DWORD{MK_RBUTTON} : DWORD{MK_LBUTTON}));
        CHECK(source->QueryContinueDrag(row.Escape, row.KeyState) == row.Expected);
    }
    static_assert(DRAGDROP_S_DROP == 0x40100 && DRAGDROP_S_CANCEL == 0x40101);
}

}  // TEST_SUITE
