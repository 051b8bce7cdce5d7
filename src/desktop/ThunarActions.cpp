#include "ThunarActions.h"

#include <algorithm>

namespace tavisk::desktop {
namespace {

bool isNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == ':' || c == '.' || u >= 0x80;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

/// Reads one document, element by element, and records the actions.
class Scanner final {
public:
    explicit Scanner(const std::string& text) : m_text(text) {}

    void run(std::vector<ThunarActionsFile::Action>& actions, std::size_t& closeBegin,
             bool& selfClosed, std::size_t& closeEnd) {
        if (m_text.compare(0, 3, "\xEF\xBB\xBF") == 0)
            m_at = 3;
        skipMisc(true);
        if (!startsWith("<") || m_at + 1 >= m_text.size() || !isNameChar(m_text[m_at + 1]))
            fail("the document has no root element");
        const std::size_t rootBegin = m_at;
        auto [name, empty] = readStartTag();
        if (name != "actions")
            fail("the root element is <" + name + ">, not <actions>");
        if (empty) {
            selfClosed = true;
            closeBegin = rootBegin;
        } else {
            readChildren(actions);
            closeBegin = m_lastCloseBegin;
        }
        closeEnd = m_at;
        skipMisc(false);
        if (m_at != m_text.size())
            fail("content after the root element");
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        const auto line =
            1 + std::count(m_text.begin(),
                           m_text.begin() + static_cast<long>(std::min(m_at, m_text.size())), '\n');
        throw MalformedXml("line " + std::to_string(line) + ": " + what);
    }

    bool startsWith(std::string_view prefix) const {
        return m_text.compare(m_at, prefix.size(), prefix) == 0;
    }

    void skipPast(std::string_view end, const char* what) {
        auto found = m_text.find(end, m_at);
        if (found == std::string::npos)
            fail(std::string("unterminated ") + what);
        m_at = found + end.size();
    }

    void skipSpaces() {
        while (m_at < m_text.size() && isSpace(m_text[m_at]))
            ++m_at;
    }

    /// Blanks, comments, processing instructions and (before the root) a
    /// document type declaration.
    void skipMisc(bool prolog) {
        for (;;) {
            skipSpaces();
            if (startsWith("<!--"))
                skipPast("-->", "comment");
            else if (startsWith("<?"))
                skipPast("?>", "processing instruction");
            else if (prolog && startsWith("<!DOCTYPE"))
                skipDoctype();
            else
                return;
        }
    }

    void skipDoctype() {
        char quote = 0;
        int brackets = 0;
        for (m_at += 9; m_at < m_text.size(); ++m_at) {
            const char c = m_text[m_at];
            if (quote) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (startsWith("<!--")) {
                skipPast("-->", "comment");
                --m_at;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == '>' && brackets == 0) {
                ++m_at;
                return;
            }
        }
        fail("unterminated document type declaration");
    }

    std::string readName() {
        const std::size_t start = m_at;
        while (m_at < m_text.size() && isNameChar(m_text[m_at]))
            ++m_at;
        if (m_at == start)
            fail("a name was expected");
        return m_text.substr(start, m_at - start);
    }

    void readAttributes() {
        for (;;) {
            const std::size_t before = m_at;
            skipSpaces();
            if (startsWith(">") || startsWith("/>"))
                return;
            if (m_at == before)
                fail("a blank was expected between attributes");
            readName();
            skipSpaces();
            if (!startsWith("="))
                fail("an attribute has no value");
            ++m_at;
            skipSpaces();
            if (m_at >= m_text.size() || (m_text[m_at] != '"' && m_text[m_at] != '\''))
                fail("an attribute value is not quoted");
            const char quote = m_text[m_at++];
            const auto close = m_text.find(quote, m_at);
            if (close == std::string::npos)
                fail("unterminated attribute value");
            checkText(m_text.substr(m_at, close - m_at), true);
            m_at = close + 1;
        }
    }

    /// Reads "<name ...>" or "<name .../>" at m_at; returns the name and whether it was empty.
    std::pair<std::string, bool> readStartTag() {
        ++m_at;
        std::string name = readName();
        readAttributes();
        const bool empty = startsWith("/>");
        m_at += empty ? 2 : 1;
        return {name, empty};
    }

    void checkText(const std::string& text, bool inAttribute) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '<')
                fail(inAttribute ? "\"<\" in an attribute value" : "stray \"<\"");
            if (text[i] != '&')
                continue;
            const auto semicolon = text.find(';', i);
            if (semicolon == std::string::npos || semicolon == i + 1)
                fail("a bare \"&\"");
            i = semicolon;
        }
    }

    static std::string decodeText(const std::string& text) {
        static const std::pair<const char*, char> entities[] = {
            {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&apos;", '\''}, {"&quot;", '"'}};
        std::string result;
        for (std::size_t i = 0; i < text.size(); ++i) {
            bool replaced = false;
            for (const auto& [entity, c] : entities) {
                if (text.compare(i, std::char_traits<char>::length(entity), entity) == 0) {
                    result += c;
                    i += std::char_traits<char>::length(entity) - 1;
                    replaced = true;
                    break;
                }
            }
            if (!replaced)
                result += text[i];
        }
        return result;
    }

    /// Where the element walk stands: the open elements, the action being read.
    struct Walk {
        explicit Walk(std::vector<ThunarActionsFile::Action>& found) : actions(found) {}
        std::vector<ThunarActionsFile::Action>& actions;
        std::vector<std::string> open{"actions"};
        std::size_t actionBegin = 0;
        std::string uniqueId;
        std::string text; ///< character data of the innermost element so far
    };

    /// Reads content up to the end tag matching the root just opened.
    void readChildren(std::vector<ThunarActionsFile::Action>& actions) {
        Walk walk(actions);
        while (!walk.open.empty()) {
            if (m_at >= m_text.size())
                fail("<" + walk.open.back() + "> is not closed");
            if (startsWith("<!--")) {
                skipPast("-->", "comment");
            } else if (startsWith("<![CDATA[")) {
                const std::size_t start = m_at + 9;
                skipPast("]]>", "CDATA section");
                walk.text += m_text.substr(start, m_at - 3 - start);
            } else if (startsWith("<?")) {
                skipPast("?>", "processing instruction");
            } else if (startsWith("</")) {
                readEndTag(walk);
            } else if (startsWith("<")) {
                readElementStart(walk);
            } else {
                readCharacterData(walk);
            }
        }
    }

    void readEndTag(Walk& walk) {
        const std::size_t tagBegin = m_at;
        m_at += 2;
        const std::string name = readName();
        skipSpaces();
        if (!startsWith(">"))
            fail("malformed end tag </" + name + ">");
        ++m_at;
        if (name != walk.open.back())
            fail("</" + name + "> closes <" + walk.open.back() + ">");
        if (walk.open.size() == 3 && name == "unique-id" && walk.open[1] == "action")
            walk.uniqueId = decodeText(walk.text);
        walk.open.pop_back();
        if (walk.open.size() == 1 && name == "action")
            walk.actions.push_back({walk.actionBegin, m_at, walk.uniqueId});
        if (walk.open.empty())
            m_lastCloseBegin = tagBegin;
        walk.text.clear();
    }

    void readElementStart(Walk& walk) {
        const std::size_t tagBegin = m_at;
        auto [name, empty] = readStartTag();
        walk.text.clear();
        if (walk.open.size() == 1 && name == "action") {
            walk.actionBegin = tagBegin;
            walk.uniqueId.clear();
            if (empty)
                walk.actions.push_back({tagBegin, m_at, ""});
        }
        if (!empty)
            walk.open.push_back(name);
    }

    void readCharacterData(Walk& walk) {
        const auto next = m_text.find('<', m_at);
        const std::string chunk =
            m_text.substr(m_at, next == std::string::npos ? std::string::npos : next - m_at);
        checkText(chunk, false);
        walk.text += chunk;
        m_at += chunk.size();
    }

    const std::string& m_text;
    std::size_t m_at = 0;
    std::size_t m_lastCloseBegin = 0;
};

/// The start of the blanks before begin on its line, when only blanks precede it there.
std::size_t lineStart(const std::string& text, std::size_t begin) {
    std::size_t at = begin;
    while (at > 0 && (text[at - 1] == ' ' || text[at - 1] == '\t'))
        --at;
    return (at == 0 || text[at - 1] == '\n') ? at : begin;
}

/// Just past the blanks and one line end after end, when nothing else follows on its line.
std::size_t lineEnd(const std::string& text, std::size_t end) {
    std::size_t at = end;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r'))
        ++at;
    if (at < text.size() && text[at] == '\n')
        return at + 1;
    return at == text.size() ? at : end;
}

} // namespace

ThunarActionsFile ThunarActionsFile::parse(std::string text) {
    ThunarActionsFile file;
    file.m_text = std::move(text);
    Scanner(file.m_text)
        .run(file.m_actions, file.m_closeBegin, file.m_selfClosedRoot, file.m_closeEnd);
    return file;
}

ThunarActionsFile ThunarActionsFile::empty() {
    return parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n");
}

std::string ThunarActionsFile::merged(
    const std::function<bool(const std::string&)>& remove,
    const std::vector<std::pair<std::string, std::string>>& replacements) const {
    std::vector<bool> used(replacements.size(), false);
    std::multimap<std::string, std::size_t> byId;
    for (std::size_t i = 0; i < replacements.size(); ++i)
        byId.emplace(replacements[i].first, i);
    auto replacementOf = [&](const std::string& id) -> const std::string* {
        if (id.empty())
            return nullptr;
        for (auto [it, last] = byId.equal_range(id); it != last; ++it)
            if (!used[it->second]) {
                used[it->second] = true;
                return &replacements[it->second].second;
            }
        return nullptr;
    };
    std::string out;
    std::size_t copied = 0;
    for (const auto& action : m_actions) {
        if (const std::string* replacement = replacementOf(action.uniqueId)) {
            out.append(m_text, copied, action.begin - copied);
            out += *replacement;
            copied = action.end;
        } else if (remove(action.uniqueId)) {
            const std::size_t from = lineStart(m_text, action.begin);
            out.append(m_text, copied, from - copied);
            copied = lineEnd(m_text, action.end);
        }
    }
    std::string added;
    for (std::size_t i = 0; i < replacements.size(); ++i)
        if (!used[i])
            added += replacements[i].second + "\n";
    if (m_selfClosedRoot && added.empty()) {
        out.append(m_text, copied, m_closeEnd - copied);
    } else if (m_selfClosedRoot) {
        out.append(m_text, copied, m_closeBegin - copied);
        out += "<actions>\n" + added + "</actions>";
    } else {
        out.append(m_text, copied, m_closeBegin - copied);
        if (!added.empty() && !out.empty() && out.back() != '\n')
            out += '\n';
        out += added;
        out.append(m_text, m_closeBegin, m_closeEnd - m_closeBegin);
    }
    out.append(m_text, m_closeEnd, std::string::npos);
    return out;
}

} // namespace tavisk::desktop
