// The program entry of the setup wizard.
#include "fm_Main.h"

#include "../shell/VeltoShellFunctions.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Started from a downloads folder, the program must not load a DLL planted next to it.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    // The shell library's process-wide objects outlive every component: the form and its
    // controls are gone before they are released.
    InitializeVeltoShellFunctions();
    Application->Initialize();
    Application->CreateForm(frm_Main);
    Application->Run();
    Application->DestroyForms();
    FinalizeVeltoShellFunctions();
    return 0;
}
