#pragma once
// Thunar's custom actions file (uca.xml): found, checked and merged without
// touching a byte of any action the bridge did not write.
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavisk::desktop {

/// A uca.xml that is not well-formed XML with an <actions> root.
class MalformedXml final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A parsed uca.xml: its text and where each top-level <action> lies in it.
class ThunarActionsFile final {
public:
    struct Action {
        std::size_t begin = 0; ///< offset of "<action"
        std::size_t end = 0;   ///< offset just past "</action>" (or "/>")
        std::string uniqueId;  ///< its <unique-id> text, empty when none
    };

    /// Checks the text and finds its actions; throws MalformedXml with the line.
    static ThunarActionsFile parse(std::string text);
    /// An empty <actions> document.
    static ThunarActionsFile empty();

    const std::string& text() const { return m_text; }
    const std::vector<Action>& actions() const { return m_actions; }

    /// The text with every action for which remove() is true taken out (with
    /// the blanks and line end it stood on), each action whose unique id is a
    /// key of replacements put in its place, and the remaining replacements
    /// added before </actions>, in their order. Everything else stays as it was.
    std::string merged(const std::function<bool(const std::string& uniqueId)>& remove,
                       const std::vector<std::pair<std::string, std::string>>& replacements) const;

private:
    std::string m_text;
    std::vector<Action> m_actions;
    std::size_t m_closeBegin = 0;  ///< offset of "</actions>", or of "<actions/>"
    bool m_selfClosedRoot = false; ///< the root was written as <actions/>
    std::size_t m_closeEnd = 0;    ///< offset just past the root's end
};

} // namespace tavisk::desktop
