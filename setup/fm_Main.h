// The setup wizard's form: its controls, the page flow and the install step.
#pragma once

#include "../framework/ComCtrls.h"
#include "../framework/ExtCtrls.h"
#include "../framework/Forms.h"
#include "../framework/StdCtrls.h"
#include "../shell/VeltoShellPidl.h"
#include "../shell/VeltoShellTreeView.h"

#include <functional>
#include <string>

extern const char* const ProductName;      // "Velto Shell Components"
extern const char* const ProductVersion;   // "v1.0"
extern const char* const MakerWebAddress;  // what the link label and the logo open
// Appended to every folder the folder page proposes or takes from the tree.
extern const char* const DefaultSubFolder;

// folder, with a "\" unless it ends with one, then DefaultSubFolder.
std::wstring WithSubFolder(std::wstring folder);

class Tfrm_Main;
extern Tfrm_Main* frm_Main;  // the wizard's one form, made by the program entry

class Tfrm_Main : public TForm {
public:
    DECLARE_CLASS_INFO

    // Reads the form description from the program's resources.
    explicit Tfrm_Main(TComponent* owner);

    // Published controls, pointed at by the form description.
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TImage* Image1 = nullptr;
    TPanel* Panel3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label3 = nullptr;
    TButton* btn_Prev = nullptr;
    TButton* btn_Next = nullptr;
    TButton* btn_Cancel = nullptr;
    TPanel* Panel4 = nullptr;
    TPageControl* PageControl1 = nullptr;
    TTabSheet* ts_Welcome = nullptr;
    TLabel* lbl_Welcome1 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* lbl_Welcome2 = nullptr;
    TTabSheet* ts_License = nullptr;
    TLabel* Label5 = nullptr;
    TMemo* Memo1 = nullptr;
    TCheckBox* cbx_Accept = nullptr;
    TTabSheet* ts_Folder = nullptr;
    TLabel* lbl_Folder1 = nullptr;
    TEdit* edt_Folder = nullptr;
    TVeltoShellTreeView* VeltoShellTreeView1 = nullptr;
    TTabSheet* ts_Finish = nullptr;
    TLabel* lbl_Finish1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label12 = nullptr;
    TLabel* lbl_Folder = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TLabel* lbl_Finish2 = nullptr;

    // Published handlers.
    void FormShow(TObject* sender);
    void btn_NextClick(TObject* sender);
    void btn_PrevClick(TObject* sender);
    void btn_CancelClick(TObject* sender);
    void cbx_AcceptClick(TObject* sender);
    void Label3Click(TObject* sender);
    void VeltoShellTreeView1Change(TObject* sender, TTreeNode* node);
    // The keyboard, wherever the focus is: Enter and Alt+N press Next, Alt+B presses Back, Escape
    // presses Cancel (or Exit), each only while its button is shown and enabled.
    void FormKeyDown(TObject* sender, WORD& key, TShiftState shift);

    // Restores the embedded payload into the folder of edt_Folder. A folder that cannot be made
    // sends the user back to the folder page; any other failure ends the program after one message.
    void InstallFiles();

    // The module whose "DATA" resource is installed: the program itself unless a test says otherwise.
    HMODULE PayloadModule = nullptr;

    // Test seams, and only these: the modal information box and the end of the program.
    static std::function<void(const std::string& text)> InformationBox;
    static std::function<void()> TerminateProgram;

protected:
    void CloseQuery(bool& canClose) override;

private:
    void ShowInformation(const std::string& text);
    void UpdateButtonsAfterNext();
    // Gives the keyboard to the page just entered: the licence's check box, the folder box, or the
    // form itself on a page with nothing to type into.
    void FocusActivePage();
    // Proposes the program-files folder and shows it selected in the tree.
    void EnterFolderPage();

    // While set, the tree's change handler leaves the folder box alone.
    bool FIgnoreTreeChange = false;
    // The item the entry steps selected, until the next change report: when that report is the
    // proposal's own, it keeps the proposal as written.
    TPidl FProposedIDList;
    bool FInstalling = false;
    bool FCloseRequested = false;
};
