// The shipped wizard form, as the program loads it from its resources, measured against its layout:
// places and sizes in client pixels from the real windows, fonts, colours, borders, tab order,
// window styles and the folder tree's settings.
#include "WizardHarness.h"

#include <doctest.h>

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

constexpr int Any = -1;    // a size the control's text decides
constexpr int Below = -2;  // the top of a label stacked under the row before it

// The place of a window within its parent's client area, and its size, in pixels.
RECT PlaceInParent(HWND window)
{
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// The font the window draws with (the control's own where the window keeps none), as the layout
// writes it: face, character height, then bold and underline.
std::string FontOf(TWinControl& control)
{
    auto font = reinterpret_cast<HFONT>(SendMessageA(control.Handle(), WM_GETFONT, 0, 0));
    if (!font)
        font = control.Font()->Handle();
    LOGFONTA log{};
    GetObjectA(font, sizeof log, &log);
    std::string text = std::string(log.lfFaceName) + " " + std::to_string(log.lfHeight < 0 ? -log.lfHeight : log.lfHeight);
    if (log.lfWeight >= FW_BOLD)
        text += " bold";
    if (log.lfUnderline)
        text += " underline";
    return text;
}

std::string ColorName(TColor color)
{
    switch (color) {
    case clBtnFace: return "button face";
    case clWhite: return "white";
    case clWindow: return "window";
    case clBlue: return "blue";
    case clWindowText: return "window text";
    default: return "colour " + std::to_string(color);
    }
}

// The bevels and inner border of a panel, then the window's own frame: a flat line or a sunken edge.
std::string BorderOf(TWinControl& control)
{
    std::vector<std::string> parts;
    if (auto* panel = dynamic_cast<TPanel*>(&control)) {
        if (panel->BevelOuter() == bvNone && panel->BevelInner() == bvNone)
            parts.push_back("no bevel");
        else
            parts.push_back("bevel " + std::to_string(panel->BevelOuter()) + "/" + std::to_string(panel->BevelInner()));
        if (panel->BorderWidth())
            parts.push_back("border " + std::to_string(panel->BorderWidth()));
    }
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(control.Handle(), GWL_EXSTYLE));
    if (exStyle & WS_EX_CLIENTEDGE)
        parts.push_back("sunken");
    if (exStyle & WS_EX_STATICEDGE)
        parts.push_back("static edge");
    // An edit box draws its own single line where it has no sunken edge.
    auto* edit = dynamic_cast<TCustomEdit*>(&control);
    if ((HasStyle(control.Handle(), WS_BORDER) && !dynamic_cast<TForm*>(&control)) ||
        (edit && edit->BorderStyle() == bsSingle && !(exStyle & WS_EX_CLIENTEDGE)))
        parts.push_back("line");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text.empty() ? "-" : text;
}

std::string AlignName(TAlign align)
{
    static const char* const names[] = {"none", "top", "bottom", "left", "right", "client"};
    return names[align];
}

// A published property as the form text writes it.
std::string PropertyText(const TPersistent& object, const std::string& name)
{
    const TPropertyInfo* info = object.ClassInfo().FindProperty(name);
    if (!info || !info->Get)
        return "no such property";
    const TValue value = info->Get(object);
    switch (value.Kind) {
    case TValue::TKind::Boolean: return value.Boolean ? "True" : "False";
    case TValue::TKind::Integer: return std::to_string(value.Integer);
    case TValue::TKind::String:
    case TValue::TKind::Identifier: return value.Text;
    case TValue::TKind::Set: {
        std::string text = "[";
        for (const std::string& member : value.Items)
            text += (text.size() > 1 ? "," : "") + member;
        return text + "]";
    }
    default: return "?";
    }
}

struct TLayoutRow {
    const char* Name;
    const char* Parent;
    int Left, Top, Width, Height;
    const char* Align;
    const char* Font;
    const char* Colour;  // the background, then the text's colour where it is not the default
    const char* Cursor;
    int TabOrder;  // Any: the layout gives none
    const char* Border;
};

// One line of the layout as measured, in the row's own terms, for a comparison that names every
// column that differs.
std::string Measure(Tfrm_Main& form, const TLayoutRow& row, const RECT& previous)
{
    auto* control = dynamic_cast<TWinControl*>(form.FindComponent(row.Name));
    if (!control)
        return "no such control";
    HWND window = control->Handle();
    const RECT place = PlaceInParent(window);
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    std::ostringstream out;
    out << "in " << (control->Parent() ? control->Parent()->Name() : "-");
    if (!control->Parent() || GetParent(window) != control->Parent()->Handle())
        out << " (window elsewhere)";
    out << " at (" << place.left << ", "
        << (row.Top == Below && place.top == previous.bottom ? Below : place.top) << ") "
        << (row.Width == Any ? Any : width) << " x " << (row.Height == Any ? Any : height);
    // The control's own idea of its place agrees with its window.
    if (control->Left() != place.left || control->Top() != place.top || control->Width() != width ||
        control->Height() != height)
        out << " (control: " << control->Left() << ", " << control->Top() << ", " << control->Width() << " x "
            << control->Height() << ")";
    out << ", align " << AlignName(control->Align()) << ", font " << FontOf(*control) << ", "
        << ColorName(control->Color());
    if (control->Font()->Color() != clWindowText)
        out << " on " << ColorName(control->Font()->Color());
    out << ", cursor " << CursorName(control->Cursor());
    if (control->Cursor() != crDefault && PlatformReportsCursor() && CursorShownBy(window) != CursorName(control->Cursor()))
        out << " (shows " << ShownCursorName() << ")";
    out << ", tab " << (row.TabOrder == Any ? Any : control->TabOrder()) << ", " << BorderOf(*control);
    return out.str();
}

// A length of the 96-dpi layout at the given dpi, to the nearest pixel, halves up.
int At(int length, int dpi)
{
    return (length * dpi * 2 + 96) / 192;
}

// The text with every number in it taken as a length at the given dpi (a font's height, a border).
std::string ScaleNumbers(const std::string& text, int dpi)
{
    std::string scaled;
    for (std::size_t i = 0; i < text.size();) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            scaled += text[i++];
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        scaled += std::to_string(At(std::stoi(text.substr(i, end - i)), dpi));
        i = end;
    }
    return scaled;
}

// The row as measured at the given dpi: every place by its edges, every font and border, times
// the factor.
std::string Expected(const TLayoutRow& row, int dpi = 96)
{
    const auto size = [dpi](int start, int length) {
        return length == Any || start == Below ? length : At(start + length, dpi) - At(start, dpi);
    };
    std::ostringstream out;
    out << "in " << row.Parent << " at (" << At(row.Left, dpi) << ", " << (row.Top == Below ? Below : At(row.Top, dpi))
        << ") " << size(row.Left, row.Width) << " x " << size(row.Top, row.Height) << ", align " << row.Align
        << ", font " << ScaleNumbers(row.Font, dpi) << ", " << row.Colour << ", cursor " << row.Cursor << ", tab "
        << row.TabOrder << ", " << ScaleNumbers(row.Border, dpi);
    return out.str();
}

constexpr const char* Sans = "Microsoft Sans Serif 13";
constexpr const char* Face = "button face";

// clang-format off
const TLayoutRow Layout[] = {
    // name               parent          left  top    width height  align     font                                       colour                  cursor     tab  border
    {"Panel1",            "frm_Main",       0,    0,   162,  359,   "left",   Sans,                                      Face,                   "default", Any, "no bevel, border 8"},
    {"Panel2",            "Panel1",         8,    8,   146,  343,   "client", Sans,                                      "white",                "default", Any, "no bevel, line"},
    {"Image1",            "Panel2",         8,    8,   130,   64,   "none",   Sans,                                      "white",                "hand",    Any, "-"},
    {"Panel3",            "frm_Main",       0,  359,   600,   41,   "bottom", Sans,                                      Face,                   "default", Any, "no bevel"},
    {"Label4",            "Panel3",         8,    0,   Any,  Any,   "none",   Sans,                                      Face,                   "default", Any, "-"},
    {"Label3",            "Panel3",         8,   16,   Any,  Any,   "none",   "Microsoft Sans Serif 13 underline",       "button face on blue",  "hand",    Any, "-"},
    {"btn_Prev",          "Panel3",       304,    8,    89,   25,   "none",   Sans,                                      Face,                   "default", Any, "-"},
    {"btn_Next",          "Panel3",       400,    8,    89,   25,   "none",   Sans,                                      Face,                   "default", Any, "-"},
    {"btn_Cancel",        "Panel3",       504,    8,    89,   25,   "none",   Sans,                                      Face,                   "default", Any, "-"},
    {"Panel4",            "frm_Main",     162,    0,   438,  359,   "client", Sans,                                      Face,                   "default", Any, "no bevel, border 2"},
    {"PageControl1",      "Panel4",         2,    2,   434,  355,   "client", Sans,                                      Face,                   "default", Any, "-"},
    {"ts_Welcome",        "PageControl1",   4,    1,   426,  350,   "none",   Sans,                                      Face,                   "default", Any, "-"},
    {"lbl_Welcome1",      "ts_Welcome",     0,    0,   426,  Any,   "top",    "Microsoft Sans Serif 19",                 Face,                   "default", Any, "-"},
    {"Label1",            "ts_Welcome",     0, Below,  426,  Any,   "top",    Sans,                                      Face,                   "default", Any, "-"},
    {"lbl_Welcome2",      "ts_Welcome",     0, Below,  426,  Any,   "top",    Sans,                                      Face,                   "default", Any, "-"},
    {"ts_License",        "PageControl1",   4,    1,   426,  350,   "none",   Sans,                                      Face,                   "default", Any, "-"},
    {"Label5",            "ts_License",     0,    0,   Any,  Any,   "none",   "Microsoft Sans Serif 13 bold",            Face,                   "default", Any, "-"},
    {"Memo1",             "ts_License",     0,   20,   425,  301,   "none",   Sans,                                      "window",               "default",   0, "line"},
    {"cbx_Accept",        "ts_License",     0,  324,   425,   17,   "none",   "Microsoft Sans Serif 13 bold",            Face,                   "default",   1, "-"},
    {"ts_Folder",         "PageControl1",   4,    1,   426,  350,   "none",   Sans,                                      Face,                   "default", Any, "-"},
    {"lbl_Folder1",       "ts_Folder",      0,    0,   426,   32,   "top",    Sans,                                      Face,                   "default", Any, "-"},
    {"edt_Folder",        "ts_Folder",      0,   40,   425,   24,   "none",   Sans,                                      "window",               "default",   0, "line"},
    {"VeltoShellTreeView1","ts_Folder",     0,   68,   425,  275,   "none",   Sans,                                      "window",               "default",   1, "line"},
    {"ts_Finish",         "PageControl1",   4,    1,   426,  350,   "none",   Sans,                                      Face,                   "default", Any, "-"},
    {"lbl_Finish1",       "ts_Finish",      0,    0,   426,  Any,   "top",    Sans,                                      Face,                   "default", Any, "-"},
    {"Label2",            "ts_Finish",      0, Below,  426,  Any,   "top",    Sans,                                      Face,                   "default", Any, "-"},
    {"Label12",           "ts_Finish",      0, Below,  426,  Any,   "top",    Sans,                                      Face,                   "default", Any, "-"},
    {"lbl_Folder",        "ts_Finish",      0, Below,  426,  Any,   "top",    Sans,                                      Face,                   "default", Any, "-"},
    {"ProgressBar1",      "ts_Finish",      0,  128,   425,   25,   "none",   Sans,                                      Face,                   "default", Any, "-"},
    {"lbl_Finish2",       "ts_Finish",      0,  172,   Any,  Any,   "none",   Sans,                                      Face,                   "default", Any, "-"},
};

// Window styles that must be there and must not be.
struct TStyleRow {
    const char* Name;
    DWORD Required;
    DWORD Forbidden;
    const char* Meaning;
};
const TStyleRow Styles[] = {
    {"frm_Main",     WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_MAXIMIZEBOX | WS_THICKFRAME, "fixed single border, system menu and minimise box only"},
    {"Memo1",        ES_MULTILINE | ES_READONLY | WS_VSCROLL,  WS_HSCROLL,                     "read-only, vertical scroll bar"},
    {"edt_Folder",   0,                                        ES_READONLY | ES_MULTILINE,     "one line the user types into"},
    {"PageControl1", TCS_BUTTONS | TCS_FLATBUTTONS,            0,                              "flat buttons"},
    {"VeltoShellTreeView1", TVS_SHOWSELALWAYS | WS_TABSTOP,    0,                              "the selection stays shown; a tab stop"},
    {"btn_Prev",     0,                                        WS_TABSTOP,                     "never takes the focus"},
    {"btn_Next",     0,                                        WS_TABSTOP,                     "never takes the focus"},
    {"btn_Cancel",   0,                                        WS_TABSTOP,                     "never takes the focus"},
    {"lbl_Welcome1", 0,                                        SS_LEFTNOWORDWRAP,              "wraps its words"},
    {"lbl_Welcome2", 0,                                        SS_LEFTNOWORDWRAP,              "wraps its words"},
    {"lbl_Folder1",  0,                                        SS_LEFTNOWORDWRAP,              "wraps its words"},
    {"lbl_Finish1",  0,                                        SS_LEFTNOWORDWRAP,              "wraps its words"},
};

// Settings read back through the published properties, as the form text writes them.
struct TSettingRow {
    const char* Name;
    const char* Property;
    const char* Value;
};
const TSettingRow Settings[] = {
    {"frm_Main", "BorderStyle", "bsSingle"},
    {"frm_Main", "BorderIcons", "[biSystemMenu,biMinimize]"},
    {"frm_Main", "Position", "poScreenCenter"},
    {"frm_Main", "Ctl3D", "False"},
    {"Image1", "AutoSize", "True"},
    {"PageControl1", "Style", "tsFlatButtons"},
    {"ts_Welcome", "TabVisible", "False"},
    {"ts_License", "TabVisible", "False"},
    {"ts_Folder", "TabVisible", "False"},
    {"ts_Finish", "TabVisible", "False"},
    {"Memo1", "ReadOnly", "True"},
    {"Memo1", "ScrollBars", "ssVertical"},
    {"ProgressBar1", "Min", "0"},
    {"ProgressBar1", "Max", "100"},
    {"ProgressBar1", "Position", "0"},
    {"lbl_Finish2", "Visible", "False"},
    {"VeltoShellTreeView1", "Root", "sfDrives"},
    {"VeltoShellTreeView1", "AutoContextMenu", "False"},
    {"VeltoShellTreeView1", "AutoPropertiesDialog", "False"},
    {"VeltoShellTreeView1", "AutoRefresh", "False"},
    {"VeltoShellTreeView1", "DragEnabled", "False"},
    {"VeltoShellTreeView1", "DropEnabled", "False"},
    {"VeltoShellTreeView1", "HideSelection", "False"},
    {"VeltoShellTreeView1", "Indent", "19"},
};

// The texts each window shows once the wizard is up, before any page is left.
struct TTextRow {
    const char* Name;
    const char* Text;
};
const TTextRow Texts[] = {
    {"Label5", "LICENSE AGREEMENT"},
    {"cbx_Accept", "I agree to the terms and conditions of this license"},
    {"Label12", "Selected folder:"},
    {"lbl_Folder", ""},
    {"Label4", "Copyright (c) Velto Software"},
    {"btn_Prev", "< Back"},
    {"btn_Next", "Next >"},
    {"btn_Cancel", "Cancel"},
    {"lbl_Welcome1", "Welcome to the Velto Shell Components v1.0 Setup Wizard"},
    {"lbl_Welcome2", "This wizard will install the Velto Shell Components v1.0 on your computer."},
    {"lbl_Folder1", "Select the folder where you would like Velto Shell Components v1.0 to be installed, then click Next."},
    {"lbl_Finish1", "Click Finish to install the Velto Shell Components v1.0 to the selected folder."},
    {"lbl_Finish2", "Velto Shell Components v1.0 have been successfully installed."},
};
// clang-format on

const TPersistent* Named(Tfrm_Main& form, const std::string& name)
{
    return name == "frm_Main" ? static_cast<TPersistent*>(&form) : form.FindComponent(name);
}

// The dpi this run is meant for: the one the script that set the prefix's LogPixels names, else 96.
int RunDpi()
{
    const char* dpi = std::getenv("UNPACK_TEST_DPI");
    return dpi ? std::atoi(dpi) : 96;
}

// The pixels of a bitmap, as 32-bit values row by row, and its size.
std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap, SIZE& size)
{
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    size = {info.bmWidth, info.bmHeight};
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(info.bmWidth) * static_cast<std::size_t>(info.bmHeight));
    TScreenDC dc(GetDC(nullptr));
    GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &format, DIB_RGB_COLORS);
    return pixels;
}

// The activation context of the program's own manifest, as the system reads it at its start.
struct TProgramManifest {
    HANDLE Context = INVALID_HANDLE_VALUE;
    TProgramManifest()
    {
        const std::string program = ProgramFolder() + "Unpack.exe";
        ACTCTXA context{};
        context.cbSize = sizeof context;
        context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = program.c_str();
        context.lpResourceName = MAKEINTRESOURCEA(1);
        Context = CreateActCtxA(&context);
        REQUIRE(Context != INVALID_HANDLE_VALUE);
    }
    ~TProgramManifest() { ReleaseActCtx(Context); }
    TProgramManifest(const TProgramManifest&) = delete;
    TProgramManifest& operator=(const TProgramManifest&) = delete;

    // The value of a windows setting of the manifest; empty when it has none.
    std::wstring Setting(const wchar_t* schema, const wchar_t* name) const
    {
        wchar_t value[64] = L"";
        SIZE_T written = 0;
        if (!QueryActCtxSettingsW(0, Context, schema, name, value, std::size(value), &written))
            return L"";
        return value;
    }
};

}  // namespace

TEST_SUITE("Tfrm_Main layout") {

TEST_CASE("every control sits where the layout puts it, with its font, colour and border")
{
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    // Every page in turn is shown, so each control is measured as the user sees it.
    for (TTabSheet* page : {form.ts_Welcome, form.ts_License, form.ts_Folder, form.ts_Finish})
        form.PageControl1->SetActivePage(page);
    form.PageControl1->SetActivePage(form.ts_Welcome);

    RECT previous{};
    for (const TLayoutRow& row : Layout) {
        CAPTURE(row.Name);
        CHECK(Measure(form, row, previous) == Expected(row));
        if (auto* control = dynamic_cast<TWinControl*>(form.FindComponent(row.Name)))
            previous = PlaceInParent(control->Handle());
    }
    CHECK(FontOf(form) == Sans);
    CHECK(ColorName(form.Color()) == Face);
    CHECK(form.Image1->PictureSize().cx == 130);
    CHECK(form.Image1->PictureSize().cy == 64);
    for (const TTextRow& row : Texts) {
        CAPTURE(row.Name);
        auto* control = dynamic_cast<TWinControl*>(form.FindComponent(row.Name));
        REQUIRE(control);
        CHECK(WindowText(control->Handle()) == row.Text);
    }
    CHECK(WindowText(form.Label3->Handle()) == MakerWebAddress);
    CHECK(WindowText(form.Handle()) == "Setup - Velto Shell Components for Delphi 4");
    // The page control shows no tab at all: only the buttons change pages.
    CHECK(SendMessageA(form.PageControl1->Handle(), TCM_GETITEMCOUNT, 0, 0) == 0);
}

TEST_CASE("the window is fixed, centred, 600 x 400 inside, and flat once shown")
{
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    HWND window = form.Handle();
    RECT client{};
    GetClientRect(window, &client);
    CHECK(client.right == 600);
    CHECK(client.bottom == 400);

    for (const TStyleRow& row : Styles) {
        CAPTURE(row.Name);
        CAPTURE(row.Meaning);
        auto* control = dynamic_cast<TWinControl*>(const_cast<TPersistent*>(Named(form, row.Name)));
        REQUIRE(control);
        const auto style = static_cast<DWORD>(GetWindowLongPtrA(control->Handle(), GWL_STYLE));
        CHECK((style & row.Required) == row.Required);
        CHECK((style & row.Forbidden) == 0);
    }
    for (const TSettingRow& row : Settings) {
        CAPTURE(row.Name);
        const TPersistent* object = Named(form, row.Name);
        REQUIRE(object);
        CHECK(std::string(row.Property) + " = " + PropertyText(*object, row.Property) ==
              std::string(row.Property) + " = " + row.Value);
    }

    // Centred on the screen (a work area that leaves room for a task bar counts too).
    RECT frame{};
    GetWindowRect(window, &frame);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int screenX = GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left);
    const int screenY = GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top);
    const int workX = work.left + work.right - (frame.right - frame.left);
    const int workY = work.top + work.bottom - (frame.bottom - frame.top);
    CAPTURE(frame.left);
    CAPTURE(frame.top);
    CHECK(((std::abs(2 * frame.left - screenX) <= 1 && std::abs(2 * frame.top - screenY) <= 1) ||
           (std::abs(2 * frame.left - workX) <= 1 && std::abs(2 * frame.top - workY) <= 1)));

    // The tree shows the drives folder, indented by its own setting, and reports to the wizard.
    TCustomVeltoShellTreeView& tree = *form.VeltoShellTreeView1;
    CHECK(SendMessageA(tree.Handle(), TVM_GETINDENT, 0, 0) == 19);
    CHECK(tree.EventHandlerName("OnChange") == "VeltoShellTreeView1Change");
    LPITEMIDLIST drives = nullptr;
    REQUIRE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)));
    TTreeNode* root = tree.Items()->GetFirstNode();
    REQUIRE(root);
    CHECK(ILIsEqual(static_cast<LPCITEMIDLIST>(root->Data()), drives));
    CHECK_FALSE(root->getNextSibling());
    CoTaskMemFree(drives);
}

TEST_CASE("at the screen's dpi the window and every control are the layout times the dpi's factor")
{
    const int dpi = RunDpi();
    CAPTURE(dpi);
    // The prefix's setting must have reached the program, or this would test 96 dpi again.
    REQUIRE(Screen->PixelsPerInch() == dpi);
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    for (TTabSheet* page : {form.ts_Welcome, form.ts_License, form.ts_Folder, form.ts_Finish})
        form.PageControl1->SetActivePage(page);
    form.PageControl1->SetActivePage(form.ts_Welcome);

    CHECK(form.PixelsPerInch() == dpi);
    RECT client{};
    GetClientRect(form.Handle(), &client);
    CHECK(client.right == At(600, dpi));
    CHECK(client.bottom == At(400, dpi));
    CHECK(FontOf(form) == ScaleNumbers(Sans, dpi));
    RECT previous{};
    for (const TLayoutRow& row : Layout) {
        CAPTURE(row.Name);
        CHECK(Measure(form, row, previous) == Expected(row, dpi));
        if (auto* control = dynamic_cast<TWinControl*>(form.FindComponent(row.Name)))
            previous = PlaceInParent(control->Handle());
    }
    CHECK(SendMessageA(form.VeltoShellTreeView1->Handle(), TVM_GETINDENT, 0, 0) == At(19, dpi));

    // The logo is drawn at the scaled size; at twice the size it is the double-size bitmap itself.
    auto shown = reinterpret_cast<HBITMAP>(SendMessageA(form.Image1->Handle(), STM_GETIMAGE, IMAGE_BITMAP, 0));
    REQUIRE(shown);
    SIZE size{};
    const std::vector<std::uint32_t> pixels = PixelsOf(shown, size);
    CHECK(size.cx == At(130, dpi));
    CHECK(size.cy == At(64, dpi));
    const char* source = dpi == 96 ? "LOGO" : dpi == 192 ? "LOGO_2X" : nullptr;
    if (source) {
        TBitmapHandle made(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), source, IMAGE_BITMAP, 0, 0, 0)));
        REQUIRE(made);
        SIZE madeSize{};
        CHECK(PixelsOf(made.get(), madeSize) == pixels);
    }
}

TEST_CASE("the program declares itself aware of the system's dpi, so that Windows does not stretch it")
{
    CHECK(TProgramManifest().Setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware") == L"true");
}

TEST_CASE("the program's code page is UTF-8 where Windows offers it, so that a folder of any name is its own")
{
    CHECK(TProgramManifest().Setting(L"http://schemas.microsoft.com/SMI/2019/WindowsSettings", L"activeCodePage") ==
          L"UTF-8");
}

TEST_CASE("the program asks for the highest rights its user has, and demands none")
{
    const TProgramManifest manifest;
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
    SIZE_T written = 0;
    REQUIRE(QueryActCtxW(0, manifest.Context, nullptr, RunlevelInformationInActivationContext, &level, sizeof level,
                         &written));
    CHECK(level.RunLevel == ACTCTX_RUN_LEVEL_HIGHEST_AVAILABLE);
    CHECK(level.UiAccess == 0);
}

TEST_CASE("Tab moves between the page's controls in their tab order, never to the buttons")
{
    TWizard wizard;
    Tfrm_Main& form = *wizard.Form;
    auto tabFrom = [&](TWinControl& control) {
        control.SetFocus();
        PostMessageA(control.Handle(), WM_KEYDOWN, VK_TAB, 0);
        PostMessageA(control.Handle(), WM_KEYUP, VK_TAB, 0xC0000001);
        Application->ProcessMessages();
        TWinControl* focused = FindControl(GetFocus());
        return focused ? focused->Name() : std::string("none");
    };
    wizard.Next();
    CHECK(tabFrom(*form.Memo1) == "cbx_Accept");
    CHECK(tabFrom(*form.cbx_Accept) == "Memo1");
    form.cbx_Accept->SetChecked(true);
    wizard.Next();
    CHECK(tabFrom(*form.edt_Folder) == "VeltoShellTreeView1");
    CHECK(tabFrom(*form.VeltoShellTreeView1) == "edt_Folder");
}

}  // TEST_SUITE
