// The demo's main form: a shell tree with a companion list view and combo box.
#pragma once

#include "DemoCompanions.h"
#include "Forms.h"
#include "VeltoShellTreeView.h"

// A folder browser read from its form text: the path box on top, the shell tree on the left and
// the folder's items on the right. The tree is linked to both companions in the form text; the
// caption names the folder the list shows and its number of items.
class Tfrm_Demo : public TForm {
public:
    DECLARE_CLASS_INFO

    explicit Tfrm_Demo(TComponent* owner);

    // Published fields, set by the form reader.
    TDemoShellComboBox* cbx_Path = nullptr;
    TVeltoShellTreeView* VeltoShellTreeView1 = nullptr;
    TDemoShellListView* lv_Folder = nullptr;

    // Published handlers.
    void lv_FolderFolderChanged(TObject* sender);
};

extern Tfrm_Demo* frm_Demo;
