// TPanel, a container that draws its bevels and caption, and TImage, a bitmap from the resources.
#pragma once

#include "Controls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
const TEnumInfo& BevelCutInfo();

// A container with an outer and an inner bevel, BorderWidth between them, an optional window
// border and a centred caption. Aligned children share what is inside the inner bevel.
class TPanel : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TPanel(TComponent* owner);

    // Attributes
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    void AdjustClientRect(RECT& rect) override;
    void TextChanged() override;
    void FontChanged() override;

private:
    void Paint(HDC dc);
    void BevelsChanged();

    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
};

// A bitmap picture (STATIC with SS_BITMAP) loaded from the program's BITMAP resource named by
// PictureResource. With AutoSize the control takes the picture's size. Clicks raise OnClick.
// Scaled (a form at another dpi than its design's), the picture is drawn at the scaled size, from
// the double-size bitmap named PictureResource + "_2X" when the program has one and the scale
// is above 1, else from the bitmap itself.
class TImage : public TWinControl {
public:
    DECLARE_CLASS_INFO

    explicit TImage(TComponent* owner);
    ~TImage() override;

    // Attributes
    const std::string& PictureResource() const { return FPictureResource; }
    // Loads the bitmap at once; raises EPropertyError when the program has no such bitmap.
    // An empty name clears the picture.
    void SetPictureResource(const std::string& value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // The picture, owned by the image; nullptr without one.
    HBITMAP Picture() const { return FBitmap.get(); }
    SIZE PictureSize() const { return FPictureSize; }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    void Loaded() override;
    // Draws the picture again for the new scale.
    void ChangeScale(int multiplier, int divisor) override;

private:
    // The picture of the resource for the control's scale, and its size; raises EPropertyError
    // when the program has no such bitmap.
    TBitmapHandle LoadPicture(const std::string& name, SIZE& size) const;
    void ShowPicture();
    void AdjustSize();

    std::string FPictureResource;
    TBitmapHandle FBitmap;
    SIZE FPictureSize{0, 0};
    bool FAutoSize = false;
};
