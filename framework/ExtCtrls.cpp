// TPanel and TImage.
#include "ExtCtrls.h"

namespace {

// Paints a frame width pixels wide: topLeft on the top and left edges, bottomRight on the others;
// rect shrinks by the frame.
void Frame3D(HDC dc, RECT& rect, TColor topLeft, TColor bottomRight, int width)
{
    HGDIOBJ brush = GetStockObject(DC_BRUSH);
    for (int i = 0; i < width; ++i) {
        SetDCBrushColor(dc, ColorToRGB(topLeft));
        const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
        const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
        FillRect(dc, &top, static_cast<HBRUSH>(brush));
        FillRect(dc, &left, static_cast<HBRUSH>(brush));
        SetDCBrushColor(dc, ColorToRGB(bottomRight));
        const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
        const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
        FillRect(dc, &bottom, static_cast<HBRUSH>(brush));
        FillRect(dc, &right, static_cast<HBRUSH>(brush));
        InflateRect(&rect, -1, -1);
    }
}

void PaintBevel(HDC dc, RECT& rect, TBevelCut cut, int width)
{
    switch (cut) {
    case bvLowered: Frame3D(dc, rect, clBtnShadow, clBtnHighlight, width); break;
    case bvRaised: Frame3D(dc, rect, clBtnHighlight, clBtnShadow, width); break;
    case bvSpace: Frame3D(dc, rect, clBtnFace, clBtnFace, width); break;
    case bvNone: break;
    }
}

}  // namespace

const TEnumInfo& BevelCutInfo()
{
    static const TEnumInfo info{{"bvNone", "bvLowered", "bvRaised", "bvSpace"}};
    return info;
}

// --- TPanel

const TClassInfo& TPanel::StaticClassInfo()
{
    using C = TPanel;
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TPanel",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {P::Align(),
                       EnumProperty<C, TBevelCut>("BevelInner", BevelCutInfo(), &C::BevelInner, &C::SetBevelInner),
                       EnumProperty<C, TBevelCut>("BevelOuter", BevelCutInfo(), &C::BevelOuter, &C::SetBevelOuter),
                       IntProperty<C>("BevelWidth", &C::BevelWidth, &C::SetBevelWidth),
                       EnumProperty<C, TBorderStyle>("BorderStyle", BorderStyleInfo(), &C::BorderStyle, &C::SetBorderStyle),
                       P::BorderWidth(), P::Caption(), P::Color(), P::ParentColor(), P::Ctl3D(),
                       P::ParentCtl3D(), P::Font(), P::ParentFont(), P::TabOrder(), P::TabStop(), P::Visible()},
        .Create = [](TComponent* owner) -> TComponent* { return new TPanel(owner); }};
    return info;
}

TPanel::TPanel(TComponent* owner) : TWinControl(owner)
{
    SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelInner(TBevelCut value)
{
    if (ChangeField(FBevelInner, value))
        BevelsChanged();
}

void TPanel::SetBevelOuter(TBevelCut value)
{
    if (ChangeField(FBevelOuter, value))
        BevelsChanged();
}

void TPanel::SetBevelWidth(int value)
{
    if (ChangeField(FBevelWidth, value))
        BevelsChanged();
}

void TPanel::BevelsChanged()
{
    Realign();
    Invalidate();
}

void TPanel::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.ClassStyle = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TPanel::AdjustClientRect(RECT& rect)
{
    TWinControl::AdjustClientRect(rect);
    if (FBevelOuter != bvNone)
        InflateRect(&rect, -FBevelWidth, -FBevelWidth);
    if (FBevelInner != bvNone)
        InflateRect(&rect, -FBevelWidth, -FBevelWidth);
}

void TPanel::WndProc(TMessage& message)
{
    if (message.Msg == WM_PAINT) {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(FHandle, &paint);
        const auto end = ScopeExit([&] { EndPaint(FHandle, &paint); });
        Paint(dc);
        return;
    }
    TWinControl::WndProc(message);
}

void TPanel::Paint(HDC dc)
{
    RECT rect;
    GetClientRect(FHandle, &rect);
    PaintBevel(dc, rect, FBevelOuter, FBevelWidth);
    InflateRect(&rect, -BorderWidth(), -BorderWidth());
    PaintBevel(dc, rect, FBevelInner, FBevelWidth);
    if (Caption().empty())
        return;
    const auto font = SelectForScope(dc, Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    // Drawn in UTF-16: GDI's A functions read the system's code page, not the program's.
    const std::wstring caption = WideFromAnsi(Caption());
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS);
}

void TPanel::TextChanged()
{
    TWinControl::TextChanged();
    Invalidate();
}

void TPanel::FontChanged()
{
    TWinControl::FontChanged();
    Invalidate();
}

// --- TImage

const TClassInfo& TImage::StaticClassInfo()
{
    using C = TImage;
    namespace P = ControlProperties;
    static const TClassInfo info{
        .Name = "TImage",
        .Parent = &TWinControl::StaticClassInfo(),
        .Properties = {P::Align(), BoolProperty<C>("AutoSize", &C::AutoSize, &C::SetAutoSize),
                       StringProperty<C>("PictureResource", &C::PictureResource, &C::SetPictureResource),
                       P::Visible(), P::OnClick()},
        .Create = [](TComponent* owner) -> TComponent* { return new TImage(owner); }};
    return info;
}

TImage::TImage(TComponent* owner) : TWinControl(owner)
{
    SetParentColor(true);
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage()
{
    // DestroyWnd takes the picture back from the window: it must run as TImage's.
    DestroyHandle();
}

void TImage::SetPictureResource(const std::string& value)
{
    if (value == FPictureResource)
        return;
    SIZE size{0, 0};
    TBitmapHandle bitmap = value.empty() ? TBitmapHandle() : LoadPicture(value, size);
    // The window shows the old picture until ShowPicture hands it the new one.
    TBitmapHandle old = std::move(FBitmap);
    FBitmap = std::move(bitmap);
    FPictureSize = size;
    FPictureResource = value;
    ShowPicture();
    AdjustSize();
}

TBitmapHandle TImage::LoadPicture(const std::string& name, SIZE& size) const
{
    const auto load = [](const std::string& resource, SIZE& loadedSize) {
        TBitmapHandle bitmap(
            static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), resource.c_str(), IMAGE_BITMAP, 0, 0, 0)));
        BITMAP info{};
        if (bitmap && GetObjectA(bitmap.get(), sizeof(info), &info))
            loadedSize = {info.bmWidth, info.bmHeight};
        else
            bitmap.reset();
        return bitmap;
    };
    SIZE designSize{0, 0};
    TBitmapHandle design = load(name, designSize);
    if (!design)
        throw EPropertyError("the program has no bitmap resource " + name);
    size = {ScaledLength(designSize.cx), ScaledLength(designSize.cy)};
    if (size.cx == designSize.cx && size.cy == designSize.cy)
        return design;
    // Larger than designed: the double-size bitmap, where there is one, keeps the lines sharp.
    SIZE sourceSize = designSize;
    TBitmapHandle source;
    if (size.cx > designSize.cx) {
        SIZE doubleSize{0, 0};
        source = load(name + "_2X", doubleSize);
        if (source)
            sourceSize = doubleSize;
    }
    if (!source)
        source = std::move(design);
    if (sourceSize.cx == size.cx && sourceSize.cy == size.cy)
        return source;
    TScreenDC screen(GetDC(nullptr));
    TBitmapHandle scaled(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
    TMemoryDC from(CreateCompatibleDC(screen.get()));
    TMemoryDC to(CreateCompatibleDC(screen.get()));
    if (!scaled || !from || !to)
        throw EPropertyError("the picture " + name + " cannot be scaled");
    {
        const auto fromBitmap = SelectForScope(from.get(), source.get());
        const auto toBitmap = SelectForScope(to.get(), scaled.get());
        SetStretchBltMode(to.get(), HALFTONE);
        SetBrushOrgEx(to.get(), 0, 0, nullptr);
        StretchBlt(to.get(), 0, 0, size.cx, size.cy, from.get(), 0, 0, sourceSize.cx, sourceSize.cy, SRCCOPY);
    }
    return scaled;
}

void TImage::ChangeScale(int multiplier, int divisor)
{
    TWinControl::ChangeScale(multiplier, divisor);
    if (FPictureResource.empty())
        return;
    SIZE size{0, 0};
    TBitmapHandle bitmap = LoadPicture(FPictureResource, size);
    TBitmapHandle old = std::move(FBitmap);
    FBitmap = std::move(bitmap);
    FPictureSize = size;
    ShowPicture();
    AdjustSize();
}

void TImage::SetAutoSize(bool value)
{
    if (ChangeField(FAutoSize, value))
        AdjustSize();
}

void TImage::AdjustSize()
{
    if (FAutoSize && FBitmap && !IsLoading())
        SetBounds(FLeft, FTop, FPictureSize.cx, FPictureSize.cy);
}

void TImage::ShowPicture()
{
    if (!FHandle)
        return;
    const RECT bounds = BoundsRect();
    HANDLE previous = reinterpret_cast<HANDLE>(
        SendMessageA(FHandle, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(FBitmap.get())));
    // A control that copied the picture (a 32-bit one with alpha) gives back its copy to delete.
    if (previous && previous != FBitmap.get())
        DeleteObject(previous);
    // The native control sizes itself to the picture; the place is the image's.
    SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    SetWindowPos(FHandle, nullptr, FLeft, FTop, FWidth, FHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TImage::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.SystemClassName = "STATIC";
    params.Style |= SS_BITMAP | SS_NOTIFY;
    params.Caption.clear();
}

void TImage::CreateWnd()
{
    TWinControl::CreateWnd();
    ShowPicture();
}

void TImage::DestroyWnd()
{
    if (FHandle) {
        HANDLE shown = reinterpret_cast<HANDLE>(SendMessageA(FHandle, STM_SETIMAGE, IMAGE_BITMAP, 0));
        if (shown && shown != FBitmap.get())
            DeleteObject(shown);
    }
    TWinControl::DestroyWnd();
}

void TImage::WndProc(TMessage& message)
{
    if (message.Msg == CN_COMMAND) {
        if (HIWORD(message.WParam) == STN_CLICKED)
            Click();
        return;
    }
    TWinControl::WndProc(message);
}

void TImage::Loaded()
{
    TWinControl::Loaded();
    AdjustSize();
}
