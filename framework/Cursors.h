// The cursors: their numbers, their names in the form text, the system cursors behind them, and the
// screen's cursor that overrides every window's own.
#pragma once

#include "Properties.h"

#include <windows.h>

// A cursor: 0 for "the window's own", negative numbers for the system cursors.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHandPoint = -21;
// The names of the cursors above, for the form text.
const TIdentMap& CursorIdents();
// The shared system cursor for a TCursor (never destroyed); nullptr for crDefault and crNone.
HCURSOR CursorHandle(TCursor cursor);
// The screen's cursor (TScreen::Cursor); while it is not crDefault every window of the program shows it.
extern TCursor ScreenCursor;
