// The folder page: proposing the program-files folder and taking folders from the shell tree.
#include "fm_Main.h"

#include "../framework/AnsiText.h"
#include "../framework/Scope.h"
#include "../payload/FolderPath.h"

#include <shlobj.h>

namespace {

// The value as stored, up to its first NUL; empty when it is missing. Raises for a value that is
// not text.
std::string ReadRegistryText(HKEY key, const char* name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return "";
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw Exception(std::string("Invalid data type for '") + name + "'");
    std::string text(size, '\0');
    if (size == 0 || RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
        return "";
    text.resize(std::min<std::size_t>(size, text.size()));
    return text.substr(0, text.find('\0'));
}

}  // namespace

std::wstring WithSubFolder(std::wstring folder)
{
    return WithBackslash(std::move(folder)) + WideFromAnsi(DefaultSubFolder);
}

void Tfrm_Main::EnterFolderPage()
{
    if (TTreeNode* root = VeltoShellTreeView1->Items()->GetFirstNode())
        root->Collapse(true);
    edt_Folder->SetText("c:");
    if (TRegKey key; RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ,
                                   key.put()) == ERROR_SUCCESS)
        edt_Folder->SetText(ReadRegistryText(key.get(), "ProgramFilesDir"));
    {
        const TScopedValue ignore(FIgnoreTreeChange, true);
        VeltoShellTreeView1->SelectPath(edt_Folder->Text());
    }
    // The tree reports this selection only after its change delay, when the flag is clear again:
    // that late report must not replace the proposal with the shell's spelling of it. The item is
    // remembered, not its node: a rebuild in between frees the node and reports the same item on
    // a new one.
    TTreeNode* proposed = VeltoShellTreeView1->Selected();
    FProposedIDList.reset(proposed ? CopyIDList(static_cast<LPCITEMIDLIST>(proposed->Data())) : nullptr);
    edt_Folder->SetWideText(WithSubFolder(edt_Folder->WideText()));
}

void Tfrm_Main::VeltoShellTreeView1Change(TObject*, TTreeNode*)
{
    if (FIgnoreTreeChange)
        return;
    TTreeNode* selected = VeltoShellTreeView1->Selected();
    // Only the first report after the proposal can be its own; any other selection ends it.
    const TPidl proposed = std::move(FProposedIDList);
    if (selected && proposed && SameIDLists(proposed.get(), static_cast<LPCITEMIDLIST>(selected->Data())))
        return;
    wchar_t path[MAX_PATH] = L"";
    if (!selected || !SHGetPathFromIDListW(static_cast<LPCITEMIDLIST>(selected->Data()), path))
        path[0] = L'\0';
    edt_Folder->SetWideText(WithSubFolder(path));
    edt_Folder->SelectAll();
}
