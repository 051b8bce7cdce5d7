// mimeapps.list: the bridge's ids added and removed as GLib reads them, and
// the default application that offering an entry would displace written down.
#include "BridgeTestSupport.h"
#include "FileUtil.h"
#include "KeyFile.h"
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
    static KeyFile read(const std::string& text) {
        auto file = KeyFile::parse(text);
        EXPECT_TRUE(file) << text;
        return file ? std::move(*file) : KeyFile();
    }
};

} // namespace

TEST_F(MimeAppsTest, OtherGroupsAndCommentsStayAndAnUntouchedFileKeepsItsBytes) {
    const std::string text = "# mine\n[Default Applications]\nimage/png=viewer.desktop;\n\n"
                             "[Added Associations]\ntext/plain=other.desktop;\n\n"
                             "[Removed Associations]\ntext/html = x.desktop ;\n";
    EXPECT_EQ(updateMimeApps(dirs(), text, {}, ourId), text);
    const std::string updated = updateMimeApps(dirs(), text, {{"text/plain", {Ours}}}, ourId);
    const auto list = read(updated);
    EXPECT_EQ(list.list(AddedGroup, "text/plain"),
              (std::vector<std::string>{"other.desktop", Ours}));
    EXPECT_EQ(list.list(DefaultGroup, "image/png"), std::vector<std::string>{"viewer.desktop"});
    EXPECT_EQ(list.list("Removed Associations", "text/html"),
              std::vector<std::string>{"x.desktop "});
    EXPECT_NE(updated.find("# mine"), std::string::npos);
    // Without our ids again, only the pin's traces and ours go.
    const auto again = read(updateMimeApps(dirs(), updated, {}, ourId));
    EXPECT_EQ(again.list(AddedGroup, "text/plain"), std::vector<std::string>{"other.desktop"});
    EXPECT_FALSE(again.hasGroup(PinnedGroup));
}

TEST_F(MimeAppsTest, TheDefaultBeforeOurEntryIsWrittenDownAndTakenBackWithIt) {
    const std::string updated = updateMimeApps(dirs(), "", {{"text/plain", {Ours}}}, ourId);
    const auto list = read(updated);
    EXPECT_EQ(list.list(AddedGroup, "text/plain"), std::vector<std::string>{Ours});
    EXPECT_EQ(list.list(DefaultGroup, "text/plain"), std::vector<std::string>{"editor.desktop"});
    EXPECT_EQ(updateMimeApps(dirs(), updated, {}, ourId), "");
}

TEST_F(MimeAppsTest, AParentTypesDefaultIsKeptForItsSubtype) {
    // No application claims text/x-csrc, so it opened with text/plain's editor.
    const auto list = read(updateMimeApps(dirs(), "", {{"text/x-csrc", {Ours}}}, ourId));
    EXPECT_EQ(list.list(DefaultGroup, "text/x-csrc"), std::vector<std::string>{"editor.desktop"});
}

TEST_F(MimeAppsTest, AnExplicitDefaultNeedsNoPinAndAUsersChoiceStays) {
    writeText(systemData() / "applications/mimeapps.list",
              "[Default Applications]\ntext/plain=editor.desktop;\n");
    auto list = read(updateMimeApps(dirs(), "", {{"text/plain", {Ours}}}, ourId));
    EXPECT_FALSE(list.list(DefaultGroup, "text/plain"));

    fs::remove(systemData() / "applications/mimeapps.list");
    list = read(updateMimeApps(dirs(), "", {{"text/plain", {Ours}}}, ourId));
    list.setList(DefaultGroup, "text/plain", {"mine.desktop"});
    list = read(updateMimeApps(dirs(), list.text(), {}, ourId));
    EXPECT_EQ(list.list(DefaultGroup, "text/plain"), std::vector<std::string>{"mine.desktop"});
    EXPECT_FALSE(list.hasGroup(PinnedGroup));
}

TEST_F(MimeAppsTest, NoPinWhenNothingElseOpensTheType) {
    const auto list = read(updateMimeApps(dirs(), "", {{"image/png", {Ours}}}, ourId));
    EXPECT_FALSE(list.list(DefaultGroup, "image/png"));
}

TEST_F(MimeAppsTest, AFileGlibCannotReadIsLeftAlone) {
    EXPECT_THROW(updateMimeApps(dirs(), "[Added Associations\ntext/plain=x;\n",
                                {{"text/plain", {Ours}}}, ourId),
                 FileError);
}
