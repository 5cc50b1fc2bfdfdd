// The install step's folder text: too long or too deep for the platform, it sends the user back to
// the folder page instead of crashing.
#include "../../tools/PayloadWriter.h"
#include "WizardHarness.h"

namespace {

const std::string FolderMessage =
    "The selected folder does not exist, and could not be created.\r\nClick OK and select another folder.";

// base, then "name\" until the text is longer than length.
std::string Levels(std::string base, const std::string& name, std::size_t length)
{
    while (base.size() <= length)
        base += "\\" + name;
    return base;
}

}  // namespace

TEST_SUITE("Tfrm_Main install folder") {

TEST_CASE("a folder text the platform cannot take gives the folder message and the folder page, never a crash")
{
    TScratchFolder scratch;
    const std::string base = scratch.Path().string();
    std::string text;
    SUBCASE("just past the limit of the A functions") { text = Levels(base, "level", MAX_PATH - 1); }
    SUBCASE("tens of thousands of levels") { text = Levels(base, "d", 60'000); }
    SUBCASE("a quarter of a megabyte in one name") { text = base + "\\" + std::string(1 << 18, 'x'); }

    TWizard wizard;
    TPayloadModule module(WritePayload({{"a.txt", Bytes("alpha")}}));
    wizard.GoToFinish(text);
    REQUIRE(wizard.Form->lbl_Folder->Caption().size() == text.size());
    wizard.Install(module);
    CHECK(wizard.Messages == std::vector<std::string>{FolderMessage});
    CHECK(wizard.Page() == wizard.Form->ts_Folder);
    CHECK(wizard.Buttons() == "< Back | Next > | Cancel");
    CHECK(wizard.Terminations == 0);
    CHECK(Screen->Cursor() == crDefault);
    CHECK(std::filesystem::is_empty(scratch.Path()));
}

}  // TEST_SUITE
