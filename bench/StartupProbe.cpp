// The start-up benchmark's yardsticks: a bare Win32 program whose one window, of the wizard's size,
// paints a line of text; and, built with the shell library, the same window after the library's
// start (--shell), a framework form (--form), that form after taking the system image list as a shell
// tree's window once shown takes it (--imagelist), that form with a shell tree filled from the
// drives folder on a hidden page, as the wizard's is (--hidden-tree), or in sight (--tree). The
// benchmark times each from process start to its first painted window.
#include <windows.h>

#ifdef STARTUP_WITH_LIBRARY
#include "../framework/ExtCtrls.h"
#include "../framework/Forms.h"
#include "../shell/VeltoShellFunctions.h"
#include "../shell/VeltoShellTreeView.h"

#include <string>
#endif

namespace {

constexpr int ClientWidth = 600, ClientHeight = 400;

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        static const char text[] = "Welcome";
        SetBkMode(dc, TRANSPARENT);
        TextOutA(dc, 16, 16, text, sizeof text - 1);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int RunBareWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = BareWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "StartupProbe";
    RegisterClassA(&windowClass);
    RECT frame{0, 0, ClientWidth, ClientHeight};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowA("StartupProbe", "Setup", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
#ifdef STARTUP_WITH_LIBRARY
    const std::string mode = commandLine;
    InitializeVeltoShellFunctions();
    InitializeVeltoShellTreeView();
    if (mode == "--shell")
        return RunBareWindow(instance);
    Application->Initialize();
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetCaption("Setup");
    form->SetClientWidth(ClientWidth);
    form->SetClientHeight(ClientHeight);
    if (mode == "--imagelist")
        GetSystemImageList(false);
    if (mode == "--tree" || mode == "--hidden-tree") {
        auto* page = new TPanel(form);
        page->SetBounds(8, 8, 300, ClientHeight - 16);
        page->SetVisible(mode == "--tree");
        page->SetParent(form);
        auto* tree = new TVeltoShellTreeView(form);
        tree->SetAlign(alClient);
        tree->SetParent(page);
        tree->SetRoot(TVeltoRootFolder("sfDrives"));
    }
    Application->Run();
    return 0;
#else
    (void)commandLine;
    return RunBareWindow(instance);
#endif
}
