// The demo's main form: its class table and the caption that follows the list view.
#include "fm_Demo.h"

Tfrm_Demo* frm_Demo = nullptr;

const TClassInfo& Tfrm_Demo::StaticClassInfo()
{
    using F = Tfrm_Demo;
    static const TClassInfo info{
        .Name = "Tfrm_Demo",
        .Parent = &TForm::StaticClassInfo(),
        .Methods = {Method<F>("lv_FolderFolderChanged", &F::lv_FolderFolderChanged)},
        .Fields = {Field<F>("cbx_Path", &F::cbx_Path), Field<F>("VeltoShellTreeView1", &F::VeltoShellTreeView1),
                   Field<F>("lv_Folder", &F::lv_Folder)}};
    return info;
}

Tfrm_Demo::Tfrm_Demo(TComponent* owner) : TForm(owner)
{
    RegisterVeltoShellClasses();
    RegisterDemoCompanionClasses();
    LoadFromResource("TFRM_DEMO");
}

void Tfrm_Demo::lv_FolderFolderChanged(TObject*)
{
    std::string caption = "Velto Shell Components Demo";
    if (lv_Folder->Folder())
        caption += " - " + GetDisplayName(lv_Folder->Folder()) + " (" + std::to_string(lv_Folder->ItemCount()) +
                   " items)";
    SetCaption(caption);
}
