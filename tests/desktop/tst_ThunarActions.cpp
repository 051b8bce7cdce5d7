// uca.xml: checked as XML, merged without touching a byte of anyone else's action.
#include "ThunarActions.h"

#include <gtest/gtest.h>

using tavisk::desktop::MalformedXml;
using tavisk::desktop::ThunarActionsFile;

namespace {

const std::string ForeignOne =
    "<action>\n    <icon>utilities-terminal</icon>\n"
    "    <name>Open &amp; &lt;Terminal&gt;</name>\n"
    "    <name xml:lang='de'>Terminal öffnen</name>\n"
    "    <unique-id>1700000000-1</unique-id>\n"
    "    <command><![CDATA[exo-open --working-directory %f]]></command>\n"
    "    <!-- kept -->\n    <patterns>*</patterns>\n"
    "    <directories/>\n  </action>";
const std::string ForeignTwo =
    "<action><name>Two</name><unique-id>x-2</unique-id>"
    "<command>two %F</command><patterns>*.c</patterns><text-files/></action>";

const std::string Document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<!DOCTYPE actions [\n  <!ELEMENT actions (action)+>\n"
                             "  <!ATTLIST name xml:lang CDATA #IMPLIED>\n]>\n"
                             "<actions>\n  " +
                             ForeignOne + "\n\n  " + ForeignTwo + "\n</actions>\n";

std::string ours(const std::string& id, const std::string& name) {
    return "<action>\n\t<name>" + name + "</name>\n\t<unique-id>" + id +
           "</unique-id>\n\t<command>x %f</command>\n</action>";
}

bool isOurs(const std::string& id) {
    return id.rfind("tavisk-", 0) == 0;
}

} // namespace

TEST(ThunarActions, FindsTopLevelActionsAndTheirIds) {
    const auto file = ThunarActionsFile::parse(Document);
    ASSERT_EQ(file.actions().size(), 2u);
    EXPECT_EQ(file.actions()[0].uniqueId, "1700000000-1");
    EXPECT_EQ(file.text().substr(file.actions()[0].begin,
                                 file.actions()[0].end - file.actions()[0].begin),
              ForeignOne);
    EXPECT_EQ(file.actions()[1].uniqueId, "x-2");
}

TEST(ThunarActions, MergeAddsReplacesAndRemovesOnlyOurs) {
    const auto original = ThunarActionsFile::parse(Document);
    const std::string added = original.merged(
        isOurs, {{"tavisk-a", ours("tavisk-a", "A")}, {"tavisk-b", ours("tavisk-b", "B")}});
    EXPECT_NE(added.find(ForeignOne), std::string::npos);
    EXPECT_NE(added.find(ForeignTwo), std::string::npos);

    const auto withOurs = ThunarActionsFile::parse(added);
    ASSERT_EQ(withOurs.actions().size(), 4u);
    const std::string replaced = withOurs.merged(isOurs, {{"tavisk-b", ours("tavisk-b", "B2")}});
    const auto afterReplace = ThunarActionsFile::parse(replaced);
    ASSERT_EQ(afterReplace.actions().size(), 3u);
    EXPECT_NE(replaced.find("<name>B2</name>"), std::string::npos);
    EXPECT_EQ(replaced.find("<name>A</name>"), std::string::npos);

    // Taking ours out again gives back the file byte for byte.
    EXPECT_EQ(afterReplace.merged(isOurs, {}), Document);
}

TEST(ThunarActions, AnEmptyRootIsOpenedForNewActions) {
    const auto file = ThunarActionsFile::parse("<?xml version=\"1.0\"?>\n<actions/>\n");
    const std::string text = file.merged(isOurs, {{"tavisk-a", ours("tavisk-a", "A")}});
    const auto reread = ThunarActionsFile::parse(text);
    ASSERT_EQ(reread.actions().size(), 1u);
    EXPECT_EQ(reread.actions()[0].uniqueId, "tavisk-a");
}

TEST(ThunarActions, MalformedFilesAreRefused) {
    const std::vector<std::string> bad = {
        "",
        "<actions>",
        "<actions><action></actions>",
        "<actions><action></action></actions><actions/>",
        "<other></other>",
        "<actions><action><name>a & b</name></action></actions>",
        "<actions><!-- open </actions>",
        "<actions><action name=x/></actions>",
        "<actions><action><name>a < b</name></action></actions>",
        "<actions>\n</actiones>",
        "text<actions/>",
    };
    for (const auto& text : bad)
        EXPECT_THROW(ThunarActionsFile::parse(text), MalformedXml) << text;
}

TEST(ThunarActions, TheErrorNamesTheLine) {
    try {
        ThunarActionsFile::parse("<actions>\n<action>\n</actions>\n");
        FAIL() << "accepted";
    } catch (const MalformedXml& error) {
        EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
    }
}
