// The program entry of the setup wizard.
#include "DllSearch.h"
#include "fm_Main.h"

#include "../shell/VeltoShellFunctions.h"
#include "../shell/VeltoShellTreeView.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Started from a downloads folder, the program must not load a DLL planted next to it.
    HardenDllSearch();

    // The shell library's process-wide objects outlive every component: the form and its
    // controls are gone before they are released; the tree-view unit (messages, OLE) starts after
    // them and ends before them.
    InitializeVeltoShellFunctions();
    InitializeVeltoShellTreeView();
    Application->Initialize();
    Application->CreateForm(frm_Main);
    Application->Run();
    Application->DestroyForms();
    FinalizeVeltoShellTreeView();
    FinalizeVeltoShellFunctions();
    return 0;
}
