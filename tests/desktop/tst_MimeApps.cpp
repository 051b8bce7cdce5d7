// mimeapps.list: the bridge's ids added and removed line by line, and the
// default application that offering an entry would displace written down.
#include "BridgeTestSupport.h"
#include "MimeApps.h"

using namespace tavisk::desktop;
using namespace tavisk::desktop::testing;

namespace {

const std::string Ours = "tavisk-0000abcd-view.desktop";

bool ourId(const std::string& id) {
    return id == Ours;
}

class MimeAppsTest : public BridgeTest {
protected:
    XdgDirs dirs() const { return XdgDirs::fromEnvironment(); }
};

} // namespace

TEST_F(MimeAppsTest, OtherLinesKeepTheirBytes) {
    const std::string text = "# mine\n[Default Applications]\nimage/png=viewer.desktop;\n\n"
                             "[Added Associations]\ntext/plain=other.desktop;\n"
                             "[Removed Associations]\ntext/html = x.desktop ;\n";
    const std::string updated = updateMimeApps(dirs(), text, {{"text/plain", {Ours}}}, ourId);
    EXPECT_NE(updated.find("text/plain=other.desktop;" + Ours + ";\n"), std::string::npos)
        << updated;
    EXPECT_NE(updated.find("# mine\n[Default Applications]\nimage/png=viewer.desktop;\n"),
              std::string::npos);
    EXPECT_NE(updated.find("[Removed Associations]\ntext/html = x.desktop ;\n"), std::string::npos);
    // Without our ids again, only the pin's traces and ours go.
    EXPECT_EQ(updateMimeApps(dirs(), updated, {}, ourId), text);
}

TEST_F(MimeAppsTest, TheDefaultBeforeOurEntryIsWrittenDownAndTakenBackWithIt) {
    const std::string updated = updateMimeApps(dirs(), "", {{"text/plain", {Ours}}}, ourId);
    auto list = MimeAppsList::parse(updated);
    EXPECT_EQ(list.items(AddedGroup, "text/plain"), std::vector<std::string>{Ours});
    EXPECT_EQ(list.items(DefaultGroup, "text/plain"), std::vector<std::string>{"editor.desktop"});
    EXPECT_EQ(updateMimeApps(dirs(), updated, {}, ourId), "");
}

TEST_F(MimeAppsTest, AParentTypesDefaultIsKeptForItsSubtype) {
    // No application claims text/x-csrc, so it opened with text/plain's editor.
    const auto list =
        MimeAppsList::parse(updateMimeApps(dirs(), "", {{"text/x-csrc", {Ours}}}, ourId));
    EXPECT_EQ(list.items(DefaultGroup, "text/x-csrc"), std::vector<std::string>{"editor.desktop"});
}

TEST_F(MimeAppsTest, AnExplicitDefaultNeedsNoPinAndAUsersChoiceStays) {
    writeText(systemData() / "applications/mimeapps.list",
              "[Default Applications]\ntext/plain=editor.desktop;\n");
    auto list = MimeAppsList::parse(updateMimeApps(dirs(), "", {{"text/plain", {Ours}}}, ourId));
    EXPECT_FALSE(list.items(DefaultGroup, "text/plain"));

    fs::remove(systemData() / "applications/mimeapps.list");
    list = MimeAppsList::parse(updateMimeApps(dirs(), "", {{"text/plain", {Ours}}}, ourId));
    list.setItems(DefaultGroup, "text/plain", {"mine.desktop"});
    list = MimeAppsList::parse(updateMimeApps(dirs(), list.text(), {}, ourId));
    EXPECT_EQ(list.items(DefaultGroup, "text/plain"), std::vector<std::string>{"mine.desktop"});
    EXPECT_FALSE(list.hasGroup(PinnedGroup));
}

TEST_F(MimeAppsTest, NoPinWhenNothingElseOpensTheType) {
    const auto list =
        MimeAppsList::parse(updateMimeApps(dirs(), "", {{"image/png", {Ours}}}, ourId));
    EXPECT_FALSE(list.items(DefaultGroup, "image/png"));
}
