// Colour names and conversion, and TFont with its GDI font.
#include "Graphics.h"

#include "AnsiText.h"

#include <cstring>

const TIdentMap& ColorIdents()
{
    static const TIdentMap idents{{
        {"clBlack", clBlack},
        {"clMaroon", clMaroon},
        {"clGreen", clGreen},
        {"clNavy", clNavy},
        {"clGray", clGray},
        {"clSilver", clSilver},
        {"clRed", clRed},
        {"clBlue", clBlue},
        {"clYellow", clYellow},
        {"clWhite", clWhite},
        {"clScrollBar", clScrollBar},
        {"clBackground", clBackground},
        {"clWindow", clWindow},
        {"clWindowText", clWindowText},
        {"clBtnFace", clBtnFace},
        {"clBtnShadow", clBtnShadow},
        {"clBtnText", clBtnText},
        {"clBtnHighlight", clBtnHighlight},
        {"clHighlight", clHighlight},
        {"clHighlightText", clHighlightText},
        {"clGrayText", clGrayText},
        {"clInfoBk", clInfoBk},
        {"clInfoText", clInfoText},
    }};
    return idents;
}

COLORREF ColorToRGB(TColor color)
{
    if (color < 0)
        return GetSysColor(static_cast<int>(static_cast<std::uint32_t>(color) & 0xFF));
    return static_cast<COLORREF>(color);
}

const TEnumInfo& FontStyleInfo()
{
    static const TEnumInfo info{{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
    return info;
}

namespace {

const TIdentMap& CharsetIdents()
{
    static const TIdentMap idents{{
        {"ANSI_CHARSET", ANSI_CHARSET},
        {"DEFAULT_CHARSET", DEFAULT_CHARSET},
        {"SYMBOL_CHARSET", SYMBOL_CHARSET},
        {"OEM_CHARSET", OEM_CHARSET},
    }};
    return idents;
}

}  // namespace

const TClassInfo& TFont::StaticClassInfo()
{
    using F = TFont;
    static const TClassInfo info{
        .Name = "TFont",
        .Parent = &TPersistent::StaticClassInfo(),
        .Properties = {
            IdentIntProperty<F>("Charset", &F::Charset, &F::SetCharset, CharsetIdents()),
            IdentIntProperty<F>("Color", &F::Color, &F::SetColor, ColorIdents()),
            IntProperty<F>("Height", &F::Height, &F::SetHeight),
            StringProperty<F>("Name", &F::Name, &F::SetName),
            SetProperty<F>("Style", FontStyleInfo(), &F::Style, &F::SetStyle),
        },
        .New = [] { return std::make_unique<TFont>(); }};
    return info;
}

void TFont::SetName(const std::string& value)
{
    if (ChangeField(FName, value))
        Changed();
}

void TFont::SetHeight(int value)
{
    if (ChangeField(FHeight, value))
        Changed();
}

void TFont::SetStyle(TFontStyles value)
{
    if (ChangeField(FStyle, value))
        Changed();
}

void TFont::SetColor(TColor value)
{
    if (ChangeField(FColor, value))
        Changed();
}

void TFont::SetCharset(int value)
{
    if (ChangeField(FCharset, value))
        Changed();
}

bool TFont::SameAs(const TFont& other) const
{
    return FName == other.FName && FHeight == other.FHeight && FStyle == other.FStyle && FColor == other.FColor &&
           FCharset == other.FCharset;
}

void TFont::Assign(const TFont& source)
{
    if (&source == this || SameAs(source))
        return;
    FName = source.FName;
    FHeight = source.FHeight;
    FStyle = source.FStyle;
    FColor = source.FColor;
    FCharset = source.FCharset;
    Changed();
}

HFONT TFont::Handle() const
{
    if (!FHandle) {
        LOGFONTW font{};
        font.lfHeight = FHeight;
        font.lfWeight = InSet(FStyle, fsBold) ? FW_BOLD : FW_NORMAL;
        font.lfItalic = InSet(FStyle, fsItalic);
        font.lfUnderline = InSet(FStyle, fsUnderline);
        font.lfStrikeOut = InSet(FStyle, fsStrikeOut);
        font.lfCharSet = static_cast<BYTE>(FCharset);
        font.lfOutPrecision = OUT_DEFAULT_PRECIS;
        font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        font.lfQuality = DEFAULT_QUALITY;
        font.lfPitchAndFamily = DEFAULT_PITCH;
        // The face name in UTF-16: GDI reads an A face name in the system's code page, not the
        // program's, and in UTF-8 the A record's bytes could end inside a character.
        const std::wstring face = WideFromAnsi(FName).substr(0, LF_FACESIZE - 1);
        face.copy(font.lfFaceName, face.size());
        FHandle.reset(CreateFontIndirectW(&font));
    }
    return FHandle.get();
}

void TFont::Changed()
{
    // The windows still use the old font until OnChange hands them the new one: delete it after.
    TFontHandle old = std::move(FHandle);
    if (OnChange)
        OnChange(this);
}
