// The program entry of the shell components demo.
#include "fm_Demo.h"
#include "VeltoShellFunctions.h"
#include "VeltoShellTreeView.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    // The library's units start before any component exists and end after the last one is gone:
    // the tree's nodes free their PIDLs through the shell allocator, and OLE outlives every drop
    // target.
    InitializeVeltoShellFunctions();
    InitializeVeltoShellTreeView();
    Application->Initialize();
    Application->CreateForm(frm_Demo);
    Application->Run();
    Application->DestroyForms();
    FinalizeVeltoShellTreeView();
    FinalizeVeltoShellFunctions();
    return 0;
}
