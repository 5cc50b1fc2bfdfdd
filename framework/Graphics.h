// Colours, fonts and the sets of literals that the controls draw with (the owners of GDI objects
// are in Scope.h).
#pragma once

#include "Properties.h"
#include "Scope.h"

#include <cstdint>
#include <initializer_list>
#include <string>

// --- Sets held as bit masks: bit n stands for the literal of ordinal n.

template <typename E>
constexpr std::uint32_t SetOf(std::initializer_list<E> members)
{
    std::uint32_t mask = 0;
    for (E member : members)
        mask |= 1u << static_cast<unsigned>(member);
    return mask;
}

template <typename E>
constexpr bool InSet(std::uint32_t mask, E member)
{
    return (mask & (1u << static_cast<unsigned>(member))) != 0;
}

// --- Colours: an RGB value (0x00BBGGRR), or a system colour as 0x80000000 + its COLOR_ index.

using TColor = std::int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(index)); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);

// The names of the colours above, for the form text.
const TIdentMap& ColorIdents();
// The RGB value a colour stands for now (system colours are looked up).
COLORREF ColorToRGB(TColor color);

// An integer property that the form text writes as an identifier when the value has a name
// in idents (clBtnFace, crHandPoint) and as a number otherwise.
template <typename C, typename G, typename S>
TPropertyInfo IdentIntProperty(std::string name, G get, S set, const TIdentMap& idents)
{
    TPropertyInfo info = IntProperty<C>(std::move(name), get, set, FreshDefault, &idents);
    info.Get = [get, &idents](const TPersistent& o) {
        const auto value = static_cast<std::int64_t>(std::invoke(get, static_cast<const C&>(o)));
        for (const auto& [identName, number] : idents.Entries)
            if (number == value)
                return TValue::Ident(identName);
        return TValue::Int(value);
    };
    return info;
}

// --- Fonts.

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = std::uint32_t;  // a set of TFontStyle
const TEnumInfo& FontStyleInfo();

// The font a control draws its text with. It makes its GDI font on demand and tells its owner
// (OnChange) after every change, so that the control can hand the new font to its window.
class TFont : public TPersistent {
public:
    DECLARE_CLASS_INFO

    TFont() = default;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    // Attributes
    const std::string& Name() const { return FName; }
    void SetName(const std::string& value);
    // Negative: the character height in pixels; positive: the cell height.
    int Height() const { return FHeight; }
    void SetHeight(int value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int Charset() const { return FCharset; }
    void SetCharset(int value);
    // The GDI font for the attributes; owned by this object, valid until the next change.
    HFONT Handle() const;

    // Operations
    // Takes every attribute of source; one OnChange if anything differed.
    void Assign(const TFont& source);
    bool SameAs(const TFont& other) const;

    // Raised after every change, once the old GDI font is no longer handed out.
    TNotifyEvent OnChange;

private:
    void Changed();

    std::string FName = "MS Sans Serif";
    int FHeight = -11;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    int FCharset = DEFAULT_CHARSET;
    mutable TFontHandle FHandle;
};
