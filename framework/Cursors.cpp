// The cursor names, the system cursors, and the screen's cursor.
#include "Cursors.h"

TCursor ScreenCursor = crDefault;

const TIdentMap& CursorIdents()
{
    static const TIdentMap idents{{
        {"crDefault", crDefault},
        {"crNone", crNone},
        {"crArrow", crArrow},
        {"crCross", crCross},
        {"crIBeam", crIBeam},
        {"crSizeAll", crSizeAll},
        {"crHourGlass", crHourGlass},
        {"crNo", crNo},
        {"crAppStart", crAppStart},
        {"crHandPoint", crHandPoint},
    }};
    return idents;
}

HCURSOR CursorHandle(TCursor cursor)
{
    LPCSTR id = nullptr;
    switch (cursor) {
    case crArrow: id = reinterpret_cast<LPCSTR>(IDC_ARROW); break;
    case crCross: id = reinterpret_cast<LPCSTR>(IDC_CROSS); break;
    case crIBeam: id = reinterpret_cast<LPCSTR>(IDC_IBEAM); break;
    case crSizeAll: id = reinterpret_cast<LPCSTR>(IDC_SIZEALL); break;
    case crHourGlass: id = reinterpret_cast<LPCSTR>(IDC_WAIT); break;
    case crNo: id = reinterpret_cast<LPCSTR>(IDC_NO); break;
    case crAppStart: id = reinterpret_cast<LPCSTR>(IDC_APPSTARTING); break;
    case crHandPoint: id = reinterpret_cast<LPCSTR>(IDC_HAND); break;
    default: return nullptr;
    }
    return LoadCursorA(nullptr, id);
}
