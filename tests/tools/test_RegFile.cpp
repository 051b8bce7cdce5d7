// The .reg reader and writer on their own, without a store: the golden files
// of both formats, the error paths of the reader, and what each format can
// and cannot hold.
#include "RegFile.h"
#include "RegText.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

using namespace tavisk::regtool;
using Kind = RegOperation::Kind;

namespace {

/// The blocks a file's operations describe, in file order.
std::vector<RegKeyBlock> blocksOf(const RegFileContents& contents) {
    std::vector<RegKeyBlock> blocks;
    for (const auto& op : contents.operations) {
        if (op.kind == Kind::CreateKey) {
            blocks.push_back({op.key.fullName(), {}});
        } else if (op.kind == Kind::SetValue) {
            blocks.back().values.push_back({op.valueName, op.type, op.data});
        }
    }
    return blocks;
}

std::string write(const std::vector<RegKeyBlock>& blocks, RegFormat format) {
    RegFileWriter writer(format);
    for (const auto& block : blocks) {
        writer.addKey(block);
    }
    return writer.finish();
}

/// A current-format file of the given lines (UTF-8 source text).
std::string version5File(const std::string& body) {
    std::u32string text = U"Windows Registry Editor Version 5.00\r\n";
    const auto decoded = decodeStoreText(body);
    for (const char32_t c : decoded) {
        if (c == U'\n') {
            text += U"\r\n";
        } else {
            text += c;
        }
    }
    return "\xFF\xFE" + encodeUtf16Le(text);
}

const RegOperation& findValue(const RegFileContents& contents, const std::string& name) {
    for (const auto& op : contents.operations) {
        if (op.kind == Kind::SetValue && op.valueName == name) {
            return op;
        }
    }
    throw std::runtime_error("no value " + name);
}

/// The line and message of the error a file raises ("" when it parses).
std::pair<int, std::string> errorOf(const std::string& bytes) {
    try {
        parseRegFile(bytes);
    } catch (const RegFileError& error) {
        return {error.line(), error.what()};
    }
    return {0, ""};
}

} // namespace

TEST(RegFile, ReadsTheVersion5GoldenFile) {
    const auto contents = parseRegFile(fileBytes(fixture("reg/golden-v5.reg")));
    EXPECT_EQ(contents.format, RegFormat::Version5);
    ASSERT_EQ(blocksOf(contents).size(), 5u);
    EXPECT_EQ(blocksOf(contents)[3].name, "HKEY_CURRENT_USER\\Software\\Golden\\Beta\\text/plain");
    const auto value = [&](const std::string& name) { return findValue(contents, name); };
    EXPECT_EQ(value("").data, std::string("Default text\0", 13));
    EXPECT_EQ(value("Accents").data, std::string("caf\xC3\xA9 cr\xC3\xA8me\0", 13));
    EXPECT_EQ(value("Quote").data, std::string("She said \"hi\" to C:\\Temp\\\0", 26));
    EXPECT_EQ(value("Empty").data, std::string(1, '\0'));
    EXPECT_EQ(value("Count").type, 4u);
    EXPECT_EQ(value("Count").data, std::string("\x2A\0\0\0", 4));
    EXPECT_EQ(value("Max").data, "\xFF\xFF\xFF\xFF");
    // Text types in hex lists are UTF-16LE in the file and UTF-8 in the store.
    EXPECT_EQ(value("Path").type, 2u);
    EXPECT_EQ(value("Path").data, std::string("%SystemRoot%\\system32\\notepad.exe\0", 34));
    EXPECT_EQ(value("List").data, std::string("a\0bc\0\0", 6));
    EXPECT_EQ(value("Bare").type, 1u);
    EXPECT_EQ(value("Bare").data, "abc");
    EXPECT_EQ(value("Blob").data.size(), 40u);
    EXPECT_EQ(value("Blob").data[39], '\x27');
    EXPECT_EQ(value("Nothing").type, 0u);
    EXPECT_TRUE(value("Nothing").data.empty());
    EXPECT_EQ(value("Wide").type, 0xBu);
    EXPECT_EQ(value("Name with \\ backslash").data, std::string("x\0", 2));
}

TEST(RegFile, ReadsTheRegedit4GoldenFile) {
    const auto contents = parseRegFile(fileBytes(fixture("reg/golden-regedit4.reg")));
    EXPECT_EQ(contents.format, RegFormat::Regedit4);
    const auto value = [&](const std::string& name) { return findValue(contents, name); };
    EXPECT_EQ(value("").data, std::string("D\xC3\xA9j\xC3\xA0 vu\0", 10));
    EXPECT_EQ(value("Euro").data, std::string("\xE2\x82\xAC 5 \xE2\x80\xB0\0", 10));
    // Text types in hex lists are Windows-1252 bytes in the file.
    EXPECT_EQ(value("Path").data, std::string("%windir%\\caf\xC3\xA9\0", 15));
    EXPECT_EQ(value("List").data, std::string("a\0\xC3\xA9\0\0", 6));
    EXPECT_EQ(value("Bare").data, "abc");
    EXPECT_EQ(value("A long binary value name").data.size(), 30u);
}

TEST(RegFile, HexListsWrapAtTheEditorsColumn) {
    // A name this long reaches the column after the first byte.
    const std::string name(80, 'n');
    const std::string file =
        write({{"HKEY_CURRENT_USER\\k", {{name, 3, "\x01\x02\x03"}}}}, RegFormat::Regedit4);
    EXPECT_NE(file.find("\"" + name + "\"=hex:01,\\\r\n  02,03\r\n"), std::string::npos);
    // Continuation lines hold 25 bytes each.
    const std::string many(60, '\x11');
    const std::string wrapped =
        write({{"HKEY_CURRENT_USER\\k", {{"", 3, many}}}}, RegFormat::Regedit4);
    std::string row;
    for (int i = 0; i < 25; ++i) {
        row += "11,";
    }
    EXPECT_NE(wrapped.find("\r\n  " + row + "\\\r\n"), std::string::npos);
}

TEST(RegFile, DataAQuotedStringCannotGiveBackIsWrittenAsHex) {
    const std::vector<RegKeyBlock> blocks = {
        {"HKEY_CURRENT_USER\\k",
         {{"newline", 1, std::string("a\nb\0", 4)},
          {"inner nul", 1, std::string("a\0b\0", 4)},
          {"three bytes", 4, "abc"},
          {"not utf-8", 1, std::string("\xFF\xC3\0", 3)},
          {"\xF0\x9F\x98\x80", 1, std::string("\xE2\x82\xAC\0", 4)}}}};
    const std::string file = write(blocks, RegFormat::Version5);
    const auto readBack = blocksOf(parseRegFile(file));
    ASSERT_EQ(readBack[0].values.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const auto& read = readBack[0].values[i];
        EXPECT_EQ(read.name, blocks[0].values[i].name);
        EXPECT_EQ(read.type, blocks[0].values[i].type);
        EXPECT_EQ(read.data, blocks[0].values[i].data) << read.name;
    }
    EXPECT_EQ(write(blocksOf(parseRegFile(file)), RegFormat::Version5), file);
}

TEST(RegFile, Regedit4RefusesWhatWindows1252CannotHold) {
    const auto refusal = [](const RegKeyBlock& block) {
        try {
            write({block}, RegFormat::Regedit4);
        } catch (const RegFileError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
    const std::string greek =
        refusal({"HKEY_CURRENT_USER\\k", {{"", 1, std::string("\xCE\xA9\0", 3)}}});
    EXPECT_NE(greek.find("U+03A9"), std::string::npos) << greek;
    EXPECT_NE(greek.find("without --regedit4"), std::string::npos) << greek;
    EXPECT_FALSE(refusal({"HKEY_CURRENT_USER\\\xCE\xA9", {}}).empty());
    EXPECT_FALSE(refusal({"HKEY_CURRENT_USER\\k", {{"x", 2, std::string("\xFF\0", 2)}}}).empty());
    EXPECT_TRUE(
        refusal({"HKEY_CURRENT_USER\\k", {{"x", 1, std::string("\xE2\x82\xAC\0", 4)}}}).empty());
}

TEST(RegFile, NamesWithLineBreaksAreRefusedByBothFormats) {
    for (const auto format : {RegFormat::Version5, RegFormat::Regedit4}) {
        EXPECT_THROW(write({{"HKEY_CURRENT_USER\\a\nb", {}}}, format), RegFileError);
        EXPECT_THROW(write({{"HKEY_CURRENT_USER\\k", {{"a\rb", 1, std::string(1, '\0')}}}}, format),
                     RegFileError);
    }
}

TEST(RegFile, ReadsCommentsContinuationsDeletionsAndLooseSpelling) {
    const auto contents =
        parseRegFile(version5File("; a comment\n"
                                  "\n"
                                  "  [HKEY_LOCAL_MACHINE\\SOFTWARE\\A]   ; trailing comment\n"
                                  "\"x\" = \"y\" ; why\n"
                                  "\"h\"=HEX:1, 2 ,ff,\\ ; more to come\n"
                                  "     0a\n"
                                  "\"d\"=DWORD:1F\n"
                                  "\"gone\"=-\n"
                                  "@=-\n"
                                  "[-HKCU\\Old]\n"
                                  "[hklm\\SOFTWARE\\B\\]\n"));
    const auto& ops = contents.operations;
    ASSERT_EQ(ops.size(), 8u);
    EXPECT_EQ(ops[0].kind, Kind::CreateKey);
    EXPECT_EQ(ops[0].key.fullName(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\A");
    EXPECT_EQ(ops[1].data, std::string("y\0", 2));
    EXPECT_EQ(ops[2].data, "\x01\x02\xFF\x0A");
    EXPECT_EQ(ops[2].line, 6); // the line the value starts on
    EXPECT_EQ(ops[3].data, std::string("\x1F\0\0\0", 4));
    EXPECT_EQ(ops[4].kind, Kind::DeleteValue);
    EXPECT_EQ(ops[4].valueName, "gone");
    EXPECT_EQ(ops[5].kind, Kind::DeleteValue);
    EXPECT_EQ(ops[5].valueName, "");
    EXPECT_EQ(ops[6].kind, Kind::DeleteKey);
    EXPECT_EQ(ops[6].key.fullName(), "HKEY_CURRENT_USER\\Old");
    EXPECT_EQ(ops[7].key.fullName(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\B");
}

TEST(RegFile, ReadsUtf8AndLfOnlyFilesWithTheCurrentHeader) {
    const auto contents = parseRegFile("Windows Registry Editor Version 5.00\n\n[HKCR\\.txt]\n"
                                       "@=\"\xC3\xA9\"\n\"e\"=hex(2):41,00,00,00\n");
    EXPECT_EQ(contents.operations[1].data, std::string("\xC3\xA9\0", 3));
    EXPECT_EQ(contents.operations[2].data, std::string("A\0", 2));
}

TEST(RegFile, EveryFaultNamesItsLine) {
    struct Case {
        const char* what;
        std::string file;
        int line;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"empty file", "", 1, "bad header"},
        {"wrong header", version5File("").substr(0, 10) + std::string(2, '\0'), 1, "bad header"},
        {"REGEDIT5", "REGEDIT5\r\n", 1, "bad header"},
        {"big-endian", "\xFE\xFF\0W", 1, "big-endian"},
        {"value before any key", version5File("\n\"a\"=\"b\"\n"), 3, "before any key"},
        {"value after a deleted key", version5File("[-HKCU\\A]\n@=\"b\"\n"), 3, "before any key"},
        {"unterminated data", version5File("[HKCU\\A]\n\"a\"=\"b\n"), 3, "unterminated string"},
        {"unterminated name", version5File("[HKCU\\A]\n\n\"a=1\n"), 4, "unterminated string"},
        {"unknown escape", version5File("[HKCU\\A]\n\"a\"=\"C:\\temp\"\n"), 3, "unknown escape"},
        {"unknown root", version5File("[HKEY_USERS\\A]\n"), 2, "unknown root"},
        {"no root at all", version5File("[]\n"), 2, "unknown root"},
        {"no closing bracket", version5File("[HKCU\\A\n"), 2, "no closing ]"},
        {"text after a key", version5File("[HKCU\\A] x\n"), 2, "after the key name"},
        {"bad hex byte", version5File("[HKCU\\A]\n\"a\"=hex:01,0g\n"), 3, "bad hex data"},
        {"three digits", version5File("[HKCU\\A]\n\"a\"=hex:01,123\n"), 3, "bad hex data"},
        {"empty byte", version5File("[HKCU\\A]\n\"a\"=hex:01,,02\n"), 3, "bad hex data"},
        {"bad hex on a continuation", version5File("[HKCU\\A]\n\"a\"=hex:01,\\\n  zz\n"), 4,
         "bad hex data"},
        {"bad hex before a continuation", version5File("[HKCU\\A]\n\"a\"=hex:0x,\\\n  01\n"), 3,
         "bad hex data"},
        {"odd UTF-16", version5File("[HKCU\\A]\n\"a\"=hex(2):41,00,00\n"), 3, "even number"},
        {"bad hex type", version5File("[HKCU\\A]\n\"a\"=hex(q):00\n"), 3, "hex(N)"},
        {"continuation at the end", version5File("[HKCU\\A]\n\"a\"=hex:01,\\"), 3, "ends after"},
        {"bad dword", version5File("[HKCU\\A]\n\"a\"=dword:123456789\n"), 3, "bad dword"},
        {"no data", version5File("[HKCU\\A]\n\"a\"=\n"), 3, "unknown value data"},
        {"no equals", version5File("[HKCU\\A]\n\"a\" \"b\"\n"), 3, "expected ="},
        {"text after data", version5File("[HKCU\\A]\n\"a\"=\"b\" c\n"), 3, "after the value"},
        {"stray line", version5File("[HKCU\\A]\nhello\n"), 3, "expected a [KEY] line"},
        {"lone surrogate", version5File("[HKCU\\A]\n\"a\"=hex(1):00,d8\n"), 3, "not valid Unicode"},
        {"escaped bytes that join into a character",
         version5File("[HKCU\\A]\n\"a\"=hex(1):c3,dc,a9,dc,00,00\n"), 3, "not valid Unicode"},
    };
    for (const auto& c : cases) {
        const auto [line, message] = errorOf(c.file);
        EXPECT_EQ(line, c.line) << c.what << ": " << message;
        EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
    }
}

TEST(RegText, StoreBytesSurviveEveryConversionTheyCan) {
    // Invalid UTF-8 travels as one escape code point per byte.
    const std::string bytes("ok \xC3\xA9 \xFF \xED\xA0\x80 \xF0\x9F\x98", 16);
    const auto text = decodeStoreText(bytes);
    EXPECT_EQ(encodeStoreText(text), bytes);
    EXPECT_EQ(encodeStoreText(decodeUtf16Le(encodeUtf16Le(text))), bytes);
    // Windows-1252 is total one way; its five undefined bytes come back as themselves.
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(encodeWindows1252(decodeWindows1252(all)), all);
    std::size_t position = 99;
    EXPECT_FALSE(encodeWindows1252(U"ab\u0100", &position));
    EXPECT_EQ(position, 2u);
    EXPECT_FALSE(encodeStoreText(std::u32string(1, char32_t(0xD800))));
}
