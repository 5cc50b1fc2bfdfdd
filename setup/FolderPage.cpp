// The folder page: proposing the program-files folder and taking folders from the shell tree.
#include "fm_Main.h"

#include "../framework/UniqueHandle.h"

#include <shlobj.h>

namespace {

struct TRegKeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using TRegKey = TUniqueHandle<HKEY, TRegKeyCloser, nullptr>;

std::string WithSubFolder(std::string folder)
{
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    return folder + DefaultSubFolder;
}

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

// Sets a flag for the life of a scope, and clears it also when the scope ends by an error.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TFlagGuard() { FFlag = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& FFlag;
};

}  // namespace

void Tfrm_Main::EnterFolderPage()
{
    if (TTreeNode* root = VeltoShellTreeView1->Items()->GetFirstNode())
        root->Collapse(true);
    edt_Folder->SetText("c:");
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &opened) ==
        ERROR_SUCCESS) {
        TRegKey key(opened);
        edt_Folder->SetText(ReadRegistryText(key.get(), "ProgramFilesDir"));
    }
    {
        TFlagGuard ignore(FIgnoreTreeChange);
        VeltoShellTreeView1->SelectPath(edt_Folder->Text());
    }
    // The tree reports this selection only after its change delay, when the flag is clear again:
    // that late report must not replace the proposal with the shell's spelling of it.
    FProposedNode = VeltoShellTreeView1->Selected();
    edt_Folder->SetText(WithSubFolder(edt_Folder->Text()));
}

void Tfrm_Main::VeltoShellTreeView1Change(TObject*, TTreeNode*)
{
    if (FIgnoreTreeChange)
        return;
    TTreeNode* selected = VeltoShellTreeView1->Selected();
    if (selected && selected == std::exchange(FProposedNode, nullptr))
        return;
    char path[MAX_PATH] = "";
    if (!selected || !SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(selected->Data()), path))
        path[0] = '\0';
    edt_Folder->SetText(WithSubFolder(path));
    edt_Folder->SelectAll();
}
