// The install step of the wizard: restoring the embedded payload into the chosen folder.
#include "fm_Main.h"

#include "PayloadResource.h"
#include "RestorePayload.h"
#include "Win32FileSink.h"

#include <new>

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

// Creates the folder and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(std::string folder)
{
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    if (folder.empty() || IsFolder(folder + "\\"))
        return true;
    const std::size_t slash = folder.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && folder[slash - 1] != ':' && !ForceDirectories(folder.substr(0, slash)))
        return false;
    return CreateDirectoryA(folder.c_str(), nullptr) || IsFolder(folder + "\\");
}

}  // namespace

void Tfrm_Main::InstallFiles()
{
    std::string folder = edt_Folder->Text();
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    if (!IsFolder(folder) && !ForceDirectories(folder)) {
        ShowInformation(FolderMessage);
        PageControl1->SetActivePage(ts_Folder);
        return;
    }

    std::string error;
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
    } catch (const std::bad_alloc&) {
        error = "Out of memory";
    } catch (const std::exception& e) {
        error = e.what();
    }
    FInstalling = false;
    Screen->SetCursor(crDefault);
    btn_Cancel->SetCaption("Exit");
    btn_Cancel->SetEnabled(true);

    if (!error.empty()) {
        ShowInformation(FailureMessage + error);
        TerminateProgram();
        return;
    }
    if (FCloseRequested)
        Close();
}
