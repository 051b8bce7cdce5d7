#include "RegFile.h"

#include "RegText.h"

#include <optional>

namespace tavisk::regtool {
namespace {

constexpr std::u32string_view Version5Header = U"Windows Registry Editor Version 5.00";
constexpr std::u32string_view Regedit4Header = U"REGEDIT4";
constexpr std::u32string_view LineEnd = U"\r\n";
/// The editor ends a hex line with ",\" once it has reached this many columns.
constexpr std::size_t HexWrapColumn = 77;

constexpr std::uint32_t RegSz = 1;
constexpr std::uint32_t RegExpandSz = 2;
constexpr std::uint32_t RegBinary = 3;
constexpr std::uint32_t RegDword = 4;
constexpr std::uint32_t RegMultiSz = 7;

/// Types whose data is text, converted between the store and a file.
bool isTextType(std::uint32_t type) {
    return type == RegSz || type == RegExpandSz || type == RegMultiSz;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

/// A REG_SZ value that a quoted string gives back exactly: one terminating
/// NUL, no other, and no line break.
bool isQuotable(std::string_view data) {
    return !data.empty() && data.back() == '\0' && data.find('\0') == data.size() - 1 &&
           !hasLineBreak(data);
}

std::u32string escaped(std::u32string_view text) {
    std::u32string out;
    out.reserve(text.size() + 2);
    for (const char32_t c : text) {
        if (c == U'\\' || c == U'"') {
            out += U'\\';
        }
        out += c;
    }
    return out;
}

std::u32string hexNumber(std::uint32_t number, int width) {
    static constexpr char digits[] = "0123456789abcdef";
    std::u32string out;
    do {
        out.insert(out.begin(), char32_t(digits[number & 0xF]));
        number >>= 4;
    } while (number != 0);
    while (out.size() < static_cast<std::size_t>(width)) {
        out.insert(out.begin(), U'0');
    }
    return out;
}

std::string quotedForMessage(std::string_view name) {
    return name.empty() ? std::string("(Default)") : "\"" + std::string(name) + "\"";
}

} // namespace

// ---------------------------------------------------------------- writing

RegFileWriter::RegFileWriter(RegFormat format) : m_format(format) {
    m_text = format == RegFormat::Version5 ? Version5Header : Regedit4Header;
    m_text += LineEnd;
}

void RegFileWriter::addKey(const RegKeyBlock& key) {
    if (hasLineBreak(key.name)) {
        throw RegFileError(0, "key \"" + key.name +
                                  "\" has a line break in its name, which a .reg file cannot hold");
    }
    m_text += LineEnd;
    m_text += U"[" + checkedText(key.name, "the name of key \"" + key.name + "\"") + U"]";
    m_text += LineEnd;
    for (const auto& value : key.values) {
        appendValue(value, key.name);
    }
}

std::string RegFileWriter::finish() const {
    std::u32string text = m_text + std::u32string(LineEnd);
    if (m_format == RegFormat::Version5) {
        return "\xFF\xFE" + encodeUtf16Le(text);
    }
    return encodeWindows1252(text).value_or(std::string());
}

void RegFileWriter::appendValue(const RegValue& value, const std::string& keyName) {
    const std::string what =
        "value " + quotedForMessage(value.name) + " of key \"" + keyName + "\"";
    if (hasLineBreak(value.name)) {
        throw RegFileError(0,
                           what + " has a line break in its name, which a .reg file cannot hold");
    }
    std::u32string prefix =
        value.name.empty() ? U"@=" : U"\"" + escaped(checkedText(value.name, what)) + U"\"=";
    if (value.type == RegSz && isQuotable(value.data)) {
        const auto text =
            checkedText(std::string_view(value.data).substr(0, value.data.size() - 1), what);
        m_text += prefix + U"\"" + escaped(text) + U"\"";
    } else if (value.type == RegDword && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
            number = (number << 8) | static_cast<unsigned char>(value.data[i]);
        }
        m_text += prefix + U"dword:" + hexNumber(number, 8);
    } else {
        const std::string bytes =
            isTextType(value.type) ? hexBytesOfText(value.data, what) : value.data;
        prefix += value.type == RegBinary ? U"hex:" : U"hex(" + hexNumber(value.type, 1) + U"):";
        m_text += prefix;
        appendHex(prefix.size(), bytes);
    }
    m_text += LineEnd;
}

void RegFileWriter::appendHex(std::size_t lineLength, std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        m_text += hexNumber(static_cast<unsigned char>(bytes[i]), 2);
        if (i + 1 == bytes.size()) {
            break;
        }
        m_text += U',';
        lineLength += 3;
        if (lineLength >= HexWrapColumn) {
            m_text += U"\\\r\n  ";
            lineLength = 2;
        }
    }
}

std::u32string RegFileWriter::checkedText(std::string_view storeText,
                                          const std::string& what) const {
    std::u32string text = decodeStoreText(storeText);
    std::size_t position = 0;
    if (m_format == RegFormat::Regedit4 && !encodeWindows1252(text, &position)) {
        const char32_t c = text[position];
        const std::string problem =
            (c >= 0xDC80 && c <= 0xDCFF)
                ? " is not valid UTF-8 text"
                : " holds the character " + codePointName(c) + ", which is not in Windows-1252";
        throw RegFileError(0, what + problem +
                                  "; REGEDIT4 files cannot hold it: export in the default "
                                  "format (without --regedit4) instead");
    }
    return text;
}

std::string RegFileWriter::hexBytesOfText(std::string_view data, const std::string& what) const {
    const std::u32string text = checkedText(data, what);
    if (m_format == RegFormat::Version5) {
        return encodeUtf16Le(text);
    }
    return encodeWindows1252(text).value_or(std::string());
}

// ---------------------------------------------------------------- reading

namespace {

/// Reads the lines after the header, one operation at a time.
class RegFileParser final {
public:
    RegFileParser(std::vector<std::u32string> lines, RegFormat format, bool textAsUtf16)
        : m_lines(std::move(lines)), m_textAsUtf16(textAsUtf16) {
        m_contents.format = format;
    }

    RegFileContents run() {
        for (m_index = 1; m_index < m_lines.size(); ++m_index) {
            parseLine();
        }
        return std::move(m_contents);
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw RegFileError(static_cast<int>(m_index + 1), what);
    }

    std::u32string_view rest() const { return std::u32string_view(m_line).substr(m_pos); }
    void skipBlanks() {
        while (m_pos < m_line.size() && (m_line[m_pos] == U' ' || m_line[m_pos] == U'\t')) {
            ++m_pos;
        }
    }
    /// Nothing but blanks or a comment left on the line.
    bool atLineEnd() {
        skipBlanks();
        return m_pos == m_line.size() || m_line[m_pos] == U';';
    }

    void parseLine() {
        m_line = m_lines[m_index];
        m_pos = 0;
        if (atLineEnd()) {
            return;
        }
        if (m_line[m_pos] == U'[') {
            parseKeyLine();
        } else if (m_line[m_pos] == U'@' || m_line[m_pos] == U'"') {
            parseValueLine();
        } else {
            fail("expected a [KEY] line, a value or a comment");
        }
    }

    std::string storeText(std::u32string_view text) const {
        auto bytes = encodeStoreText(text);
        if (!bytes) {
            fail("the text is not valid Unicode (an unpaired surrogate)");
        }
        return *bytes;
    }

    void parseKeyLine() {
        ++m_pos;
        const bool remove = m_pos < m_line.size() && m_line[m_pos] == U'-';
        if (remove) {
            ++m_pos;
        }
        const auto close = m_line.rfind(U']');
        if (close == std::u32string::npos || close < m_pos) {
            fail("the key name has no closing ]");
        }
        const std::string text =
            storeText(std::u32string_view(m_line).substr(m_pos, close - m_pos));
        m_pos = close + 1;
        if (!atLineEnd()) {
            fail("unexpected text after the key name's closing ]");
        }
        const auto key = parseKeyName(text);
        if (!key) {
            fail("unknown root key in \"" + text +
                 "\": use HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_CLASSES_ROOT");
        }
        RegOperation op;
        op.kind = remove ? RegOperation::Kind::DeleteKey : RegOperation::Kind::CreateKey;
        op.key = *key;
        add(std::move(op));
        m_currentKey = remove ? std::nullopt : key;
    }

    /// A quoted string at m_pos with \\ and \" escapes, without its quotes.
    std::u32string parseQuoted(const char* what) {
        std::u32string text;
        for (++m_pos; m_pos < m_line.size(); ++m_pos) {
            const char32_t c = m_line[m_pos];
            if (c == U'"') {
                ++m_pos;
                return text;
            }
            if (c == U'\\') {
                if (m_pos + 1 == m_line.size() ||
                    (m_line[m_pos + 1] != U'\\' && m_line[m_pos + 1] != U'"')) {
                    fail(std::string("unknown escape in the ") + what +
                         ": only \\\\ and \\\" are allowed");
                }
                ++m_pos;
            }
            text += m_line[m_pos];
        }
        fail(std::string("unterminated string: the ") + what + " has no closing quote");
    }

    void parseValueLine() {
        RegOperation op;
        if (m_line[m_pos] == U'@') {
            ++m_pos;
        } else {
            op.valueName = storeText(parseQuoted("value name"));
        }
        skipBlanks();
        if (m_pos == m_line.size() || m_line[m_pos] != U'=') {
            fail("expected = after the value name");
        }
        ++m_pos;
        skipBlanks();
        if (!m_currentKey) {
            fail("a value before any key: a [KEY] line must come first");
        }
        op.key = *m_currentKey;
        op.line = static_cast<int>(m_index + 1);
        parseValueData(op);
        add(std::move(op));
    }

    void parseValueData(RegOperation& op) {
        const auto data = rest();
        op.kind = RegOperation::Kind::SetValue;
        if (!data.empty() && data[0] == U'-') {
            ++m_pos;
            op.kind = RegOperation::Kind::DeleteValue;
        } else if (!data.empty() && data[0] == U'"') {
            op.type = RegSz;
            op.data = storeText(parseQuoted("value's text")) + '\0';
        } else if (startsWithWord(data, U"dword:")) {
            m_pos += 6;
            op.type = RegDword;
            op.data = parseDword();
        } else if (startsWithWord(data, U"hex")) {
            m_pos += 3;
            op.type = parseHexType();
            op.data = hexData(op.type, parseHexBytes());
            return;
        } else {
            fail("unknown value data: expected \"text\", dword:, hex:, hex(N): or -");
        }
        if (!atLineEnd()) {
            fail("unexpected text after the value's data");
        }
    }

    static bool startsWithWord(std::u32string_view text, std::u32string_view word) {
        if (text.size() < word.size()) {
            return false;
        }
        for (std::size_t i = 0; i < word.size(); ++i) {
            char32_t c = text[i];
            if (c >= U'A' && c <= U'Z') {
                c = c - U'A' + U'a';
            }
            if (c != word[i]) {
                return false;
            }
        }
        return true;
    }

    static int hexDigit(char32_t c) {
        if (c >= U'0' && c <= U'9') {
            return static_cast<int>(c - U'0');
        }
        if (c >= U'a' && c <= U'f') {
            return static_cast<int>(c - U'a' + 10);
        }
        if (c >= U'A' && c <= U'F') {
            return static_cast<int>(c - U'A' + 10);
        }
        return -1;
    }

    /// Up to maxDigits hex digits at m_pos; nothing when there are none.
    std::optional<std::uint32_t> hexDigits(std::size_t maxDigits) {
        std::uint32_t number = 0;
        std::size_t count = 0;
        while (m_pos < m_line.size() && hexDigit(m_line[m_pos]) >= 0) {
            if (++count > maxDigits) {
                return std::nullopt;
            }
            number = (number << 4) | static_cast<std::uint32_t>(hexDigit(m_line[m_pos]));
            ++m_pos;
        }
        return count == 0 ? std::nullopt : std::optional(number);
    }

    std::string parseDword() {
        const auto number = hexDigits(8);
        if (!number || !atLineEnd()) {
            fail("bad dword: expected one to eight hex digits after dword:");
        }
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<char>((*number >> (8 * i)) & 0xFF);
        }
        return bytes;
    }

    std::uint32_t parseHexType() {
        std::uint32_t type = RegBinary;
        if (m_pos < m_line.size() && m_line[m_pos] == U'(') {
            ++m_pos;
            const auto number = hexDigits(8);
            if (!number || m_pos == m_line.size() || m_line[m_pos] != U')') {
                fail("bad hex(N): the type must be one to eight hex digits in parentheses");
            }
            ++m_pos;
            type = *number;
        }
        if (m_pos == m_line.size() || m_line[m_pos] != U':') {
            fail("bad hex data: expected : after hex or hex(N)");
        }
        ++m_pos;
        return type;
    }

    /// The bytes of a hex list, following continuation lines ending in "\".
    /// Each line's bytes are read on that line, so a fault names its own line.
    std::string parseHexBytes() {
        std::string bytes;
        while (true) {
            std::u32string_view piece = rest();
            piece = piece.substr(0, piece.find(U';'));
            while (!piece.empty() && (piece.back() == U' ' || piece.back() == U'\t')) {
                piece.remove_suffix(1);
            }
            const bool continues = !piece.empty() && piece.back() == U'\\';
            if (continues) {
                piece.remove_suffix(1);
            }
            bytes += hexListBytes(piece, continues);
            if (!continues) {
                return bytes;
            }
            if (++m_index == m_lines.size()) {
                --m_index;
                fail("bad hex data: the file ends after a line continuation");
            }
            m_line = m_lines[m_index];
            m_pos = 0;
        }
    }

    /// The bytes of one line's part of a hex list; a line that continues may
    /// end with its comma.
    std::string hexListBytes(std::u32string_view list, bool continues) const {
        std::vector<std::u32string_view> items;
        for (std::size_t start = 0;;) {
            const auto end = list.find(U',', start);
            auto item = list.substr(start, end == std::u32string_view::npos ? end : end - start);
            while (!item.empty() && (item.front() == U' ' || item.front() == U'\t')) {
                item.remove_prefix(1);
            }
            while (!item.empty() && (item.back() == U' ' || item.back() == U'\t')) {
                item.remove_suffix(1);
            }
            items.push_back(item);
            if (end == std::u32string_view::npos) {
                break;
            }
            start = end + 1;
        }
        if (items.back().empty() && (continues || items.size() == 1)) {
            items.pop_back(); // the comma before "\", or a line with no bytes at all
        }
        std::string bytes;
        for (const auto item : items) {
            if (item.empty() || item.size() > 2 || hexDigit(item[0]) < 0 ||
                (item.size() == 2 && hexDigit(item[1]) < 0)) {
                fail("bad hex data: \"" + toUtf8(item) +
                     "\" is not a byte (one or two hex digits between commas)");
            }
            const int high = item.size() == 2 ? hexDigit(item[0]) : 0;
            bytes += static_cast<char>(high * 16 + hexDigit(item.back()));
        }
        return bytes;
    }

    /// Data of a hex list for its type: text types are converted from the
    /// file's encoding of text data to the store's.
    std::string hexData(std::uint32_t type, std::string bytes) const {
        if (!isTextType(type)) {
            return bytes;
        }
        if (!m_textAsUtf16) {
            return storeText(decodeWindows1252(bytes));
        }
        if (bytes.size() % 2 != 0) {
            fail("bad hex data: text in hex(" + std::to_string(type) +
                 ") must be UTF-16LE, an even number of bytes");
        }
        return storeText(decodeUtf16Le(bytes));
    }

    void add(RegOperation op) {
        if (op.line == 0) {
            op.line = static_cast<int>(m_index + 1);
        }
        m_contents.operations.push_back(std::move(op));
    }

    std::vector<std::u32string> m_lines;
    bool m_textAsUtf16;
    RegFileContents m_contents;
    std::size_t m_index = 0;
    std::u32string m_line;
    std::size_t m_pos = 0;
    std::optional<KeyName> m_currentKey;
};

std::vector<std::u32string> splitLines(std::u32string_view text) {
    std::vector<std::u32string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == U'\n' || text[i] == U'\r') {
            lines.emplace_back(text.substr(start, i - start));
            if (i + 1 < text.size() && text[i] == U'\r' && text[i + 1] == U'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    return lines;
}

std::u32string trimmedRight(std::u32string_view line) {
    while (!line.empty() && (line.back() == U' ' || line.back() == U'\t')) {
        line.remove_suffix(1);
    }
    return std::u32string(line);
}

} // namespace

RegFileContents parseRegFile(std::string_view bytes) {
    const auto starts = [&bytes](std::string_view prefix) {
        return bytes.substr(0, prefix.size()) == prefix;
    };
    std::u32string text;
    RegFormat format = RegFormat::Version5;
    if (starts("\xFF\xFE")) {
        text = decodeUtf16Le(bytes.substr(2));
    } else if (starts("\xFE\xFF")) {
        throw RegFileError(1, "bad header: UTF-16 big-endian files are not supported");
    } else if (starts("\xEF\xBB\xBF")) {
        text = decodeStoreText(bytes.substr(3));
    } else if (starts("REGEDIT4")) {
        format = RegFormat::Regedit4;
        text = decodeWindows1252(bytes);
    } else {
        text = decodeStoreText(bytes);
    }
    auto lines = splitLines(text);
    const auto header = trimmedRight(lines.front());
    const auto expected = format == RegFormat::Version5 ? Version5Header : Regedit4Header;
    if (header != expected) {
        throw RegFileError(1, "bad header: the first line must be \"Windows Registry Editor "
                              "Version 5.00\" (UTF-16LE) or \"REGEDIT4\"");
    }
    const bool textAsUtf16 = format == RegFormat::Version5;
    return RegFileParser(std::move(lines), format, textAsUtf16).run();
}

} // namespace tavisk::regtool
