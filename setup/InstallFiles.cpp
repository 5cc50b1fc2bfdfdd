// The install step of the wizard: restoring the embedded payload into the chosen folder.
#include "fm_Main.h"

#include "../payload/FailureText.h"
#include "../payload/FolderPath.h"
#include "../payload/PayloadFormat.h"
#include "../payload/PayloadResource.h"
#include "../payload/RestorePayload.h"
#include "../payload/StoredNames.h"
#include "../payload/Win32FileSink.h"

#include <algorithm>
#include <optional>

namespace {

const char* const FolderMessage =
    "The selected folder does not exist, and could not be created.\r\nClick OK and select another folder.";
const char* const FailureMessage =
    "There was a problem installing the files.\r\nThe Application will be terminated..\r\n\r\n";

// The longest name, in characters, that the restore will write into the folder, each name read as
// the restore reads it; 0 when the payload cannot be read, which the restore then reports with its
// own text.
std::size_t LongestWrittenName(HMODULE module)
{
    std::size_t longest = TWin32FileSink::TemporaryNameLength;
    try {
        const TResourceBytes resource = LoadPayloadResource(module);
        for (const std::string& stored : PayloadNames(resource.Data, resource.Size))
            if (const std::optional<std::wstring> name = ReadStoredName(stored))
                longest = std::max(longest, name->size());
    } catch (const std::exception&) {
        return 0;
    }
    return longest;
}

}  // namespace

void Tfrm_Main::InstallFiles()
{
    // The folder is checked whole before anything is made: a text that would put the files
    // elsewhere than it says, or lose one on the way, gets the folder message like a folder that
    // cannot be made.
    const TInstallFolder target = InstallFolderOf(edt_Folder->WideText(), LongestWrittenName(PayloadModule));
    if (target.Fault != ffNone || !ForceDirectories(target.Text)) {
        ShowInformation(FolderMessage);
        PageControl1->SetActivePage(ts_Folder);
        return;
    }

    std::optional<std::string> error;
    FInstalling = true;
    try {
        Screen->SetCursor(crHourGlass);
        btn_Prev->SetEnabled(false);
        btn_Next->SetEnabled(false);
        btn_Cancel->SetEnabled(false);
        Application->ProcessMessages();

        const TResourceBytes resource = LoadPayloadResource(PayloadModule);
        const TPayload payload(resource.Data, resource.Size, ReadStoredName);
        TWin32FileSink sink(target.Text);
        RestorePayload(payload, sink,
                       {[this](std::int32_t count) { ProgressBar1->SetMax(count); },
                        [this](std::int32_t) {
                            ProgressBar1->SetPosition(ProgressBar1->Position() + 1);
                            Application->ProcessMessages();
                        }});
        lbl_Finish2->SetVisible(true);
    } catch (...) {
        // Whatever it is, the buttons and the cursor are given back below and the user is told.
        error = FailureText(std::current_exception());
    }
    FInstalling = false;
    Screen->SetCursor(crDefault);
    btn_Cancel->SetCaption("Exit");
    btn_Cancel->SetEnabled(true);

    if (error) {
        ShowInformation(FailureMessage + *error);
        TerminateProgram();
        return;
    }
    if (FCloseRequested)
        Close();
}
