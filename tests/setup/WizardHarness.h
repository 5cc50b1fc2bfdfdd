// The wizard on the screen for in-process tests: its form with the information box, the program's
// end and the general error display recorded, payload modules to install from, and the registry
// value the folder page proposes from.
#pragma once

#include "../../setup/fm_Main.h"
#include "../support/ScratchFolder.h"
#include "LibraryStart.h"

#include <doctest.h>

#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

// Lets pending messages run for a while: the tree's delayed change report, a repaint.
inline void Pump(int milliseconds)
{
    for (int waited = 0; waited < milliseconds; waited += 10) {
        Application->ProcessMessages();
        Sleep(10);
    }
}

// The file-system path of the node's item; empty when it has none.
inline std::string PathOf(const TTreeNode* node)
{
    char path[MAX_PATH] = "";
    if (!node || !SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(node->Data()), path))
        return "";
    return path;
}

// The folder of the running test program, with its backslash.
inline std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// A copy of the resource-only template module with the given bytes as its "DATA" resource (none
// when empty), loaded as data the way the program finds its own.
class TPayloadModule {
public:
    explicit TPayloadModule(std::optional<std::vector<std::uint8_t>> payload)
    {
        const std::string path = (FFolder.Path() / "payload.dll").string();
        REQUIRE(CopyFileA((ProgramFolder() + "payload_template.dll").c_str(), path.c_str(), FALSE));
        if (payload) {
            HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
            REQUIRE(update);
            REQUIRE(UpdateResourceA(update, MAKEINTRESOURCEA(10), "DATA", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                    payload->data(), static_cast<DWORD>(payload->size())));
            REQUIRE(EndUpdateResourceA(update, FALSE));
        }
        FModule = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        REQUIRE(FModule);
    }
    ~TPayloadModule() { FreeLibrary(FModule); }
    TPayloadModule(const TPayloadModule&) = delete;
    TPayloadModule& operator=(const TPayloadModule&) = delete;
    HMODULE Get() const { return FModule; }

private:
    TScratchFolder FFolder;
    HMODULE FModule = nullptr;
};

// The wizard on the screen, with the information box, the program's end and the general error
// display recorded; the stubs it replaced are put back when it goes.
class TWizard {
public:
    TWizard()
        : FOldInformationBox(Tfrm_Main::InformationBox),
          FOldTerminateProgram(Tfrm_Main::TerminateProgram),
          FOldShowException(Application->OnShowException)
    {
        StartShellLibrary();
        Application->Initialize();
        Tfrm_Main::InformationBox = [this](const std::string& text) { Messages.push_back(text); };
        Tfrm_Main::TerminateProgram = [this] { ++Terminations; };
        Application->OnShowException = [this](const std::string& text) { Errors.push_back(text); };
        Form = new Tfrm_Main(Application);
        Form->Show();
        // The tree reports its first selection after its change delay; a person never outruns it.
        Pump(200);
    }
    ~TWizard()
    {
        delete Form;
        Tfrm_Main::InformationBox = FOldInformationBox;
        Tfrm_Main::TerminateProgram = FOldTerminateProgram;
        Application->OnShowException = FOldShowException;
    }
    TWizard(const TWizard&) = delete;
    TWizard& operator=(const TWizard&) = delete;

    void Press(TButton* button)
    {
        SendMessageA(button->Handle(), BM_CLICK, 0, 0);
        Application->ProcessMessages();
    }
    void Next() { Press(Form->btn_Next); }
    void Back() { Press(Form->btn_Prev); }
    TTabSheet* Page() const { return Form->PageControl1->ActivePage(); }
    std::string Folder() const { return Form->edt_Folder->Text(); }

    // The buttons as the state table lists them: "-" hidden, "x" disabled.
    std::string Buttons() const
    {
        std::vector<std::string> parts;
        for (TButton* button : {Form->btn_Prev, Form->btn_Next, Form->btn_Cancel}) {
            std::string part = button->Visible() ? button->Caption() : "-";
            if (button->Visible() && !button->Enabled())
                part.append(" x");
            parts.push_back(part);
        }
        return parts[0] + " | " + parts[1] + " | " + parts[2];
    }

    // From the welcome page to the folder page, the licence accepted.
    void EnterFolderPage()
    {
        Next();
        Form->cbx_Accept->SetChecked(true);
        Next();
    }
    void GoToFinish(const std::string& folder)
    {
        EnterFolderPage();
        Form->edt_Folder->SetText(folder);
        Next();
    }
    void Install(const TPayloadModule& module)
    {
        Form->PayloadModule = module.Get();
        Next();
    }

    Tfrm_Main* Form = nullptr;
    std::vector<std::string> Messages;
    std::vector<std::string> Errors;
    int Terminations = 0;

private:
    std::function<void(const std::string&)> FOldInformationBox;
    std::function<void()> FOldTerminateProgram;
    std::function<void(const std::string&)> FOldShowException;
};

// Sets "ProgramFilesDir" for one test and puts the original back afterwards.
class TProgramFilesValue {
public:
    TProgramFilesValue()
    {
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyName, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &FKey,
                                nullptr) == ERROR_SUCCESS);
        DWORD size = sizeof FSaved;
        if (RegQueryValueExA(FKey, "ProgramFilesDir", nullptr, &FSavedType, FSaved, &size) == ERROR_SUCCESS)
            FSavedSize = size;
    }
    ~TProgramFilesValue()
    {
        if (FSavedSize)
            RegSetValueExA(FKey, "ProgramFilesDir", 0, FSavedType, FSaved, *FSavedSize);
        else
            RegDeleteValueA(FKey, "ProgramFilesDir");
        RegCloseKey(FKey);
    }
    TProgramFilesValue(const TProgramFilesValue&) = delete;
    TProgramFilesValue& operator=(const TProgramFilesValue&) = delete;

    void SetText(const std::string& text, DWORD type = REG_SZ)
    {
        RegSetValueExA(FKey, "ProgramFilesDir", 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
    void SetNumber(DWORD number)
    {
        RegSetValueExA(FKey, "ProgramFilesDir", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    void Delete() { RegDeleteValueA(FKey, "ProgramFilesDir"); }

private:
    static constexpr const char* KeyName = "Software\\Microsoft\\Windows\\CurrentVersion";
    HKEY FKey = nullptr;
    BYTE FSaved[1024];
    DWORD FSavedType = 0;
    std::optional<DWORD> FSavedSize;
};
