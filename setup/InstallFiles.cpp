// The install step of the wizard: restoring the embedded payload into the chosen folder.
#include "fm_Main.h"

#include "../payload/FailureText.h"
#include "../payload/FolderPath.h"
#include "../payload/PayloadResource.h"
#include "../payload/RestorePayload.h"
#include "../payload/Win32FileSink.h"

#include <optional>

namespace {

const char* const FolderMessage =
    "The selected folder does not exist, and could not be created.\r\nClick OK and select another folder.";
const char* const FailureMessage =
    "There was a problem installing the files.\r\nThe Application will be terminated..\r\n\r\n";

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void Tfrm_Main::InstallFiles()
{
    const std::string folder = WithBackslash(edt_Folder->Text());
    if (!IsFolder(folder) && !ForceDirectories(folder)) {
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
        const TPayload payload(resource.Data, resource.Size);
        TWin32FileSink sink(folder);
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
