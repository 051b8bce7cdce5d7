#include "CommandLine.h"

#include "modStoreLayout.h"

namespace tavisk::desktop {
namespace {

constexpr std::string_view FilePlace = "%1";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

Argument argumentFromText(const std::string& text) {
    Argument argument;
    std::string::size_type start = 0;
    for (;;) {
        auto at = text.find(FilePlace, start);
        if (at == std::string::npos)
            break;
        argument.pieces.push_back(text.substr(start, at - start));
        start = at + FilePlace.size();
    }
    argument.pieces.push_back(text.substr(start));
    return argument;
}

/// Backslashes before a quote: 2n give n and the quote acts, 2n+1 give n and
/// a literal quote. Backslashes elsewhere are literal.
std::size_t readBackslashes(std::string_view text, std::size_t at, std::string& word,
                            bool& literalQuote) {
    std::size_t count = 0;
    while (at + count < text.size() && text[at + count] == '\\')
        ++count;
    const bool beforeQuote = at + count < text.size() && text[at + count] == '"';
    word.append(beforeQuote ? count / 2 : count, '\\');
    literalQuote = beforeQuote && count % 2 == 1;
    return count;
}

std::vector<std::string> splitArguments(std::string_view text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isBlank(text[at]))
            ++at;
        if (at >= text.size())
            break;
        std::string word;
        bool quoted = false;
        while (at < text.size() && (quoted || !isBlank(text[at]))) {
            if (text[at] == '\\') {
                bool literalQuote = false;
                at += readBackslashes(text, at, word, literalQuote);
                if (literalQuote) {
                    word += '"';
                    ++at;
                }
            } else if (text[at] == '"') {
                if (quoted && at + 1 < text.size() && text[at + 1] == '"') {
                    word += '"';
                    ++at;
                }
                quoted = !quoted;
                ++at;
            } else {
                word += text[at++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::optional<CommandLine> parseQuoted(std::string_view text) {
    const auto close = text.find('"', 1);
    CommandLine command;
    command.program = std::string(
        text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    if (close != std::string_view::npos)
        for (const auto& word : splitArguments(text.substr(close + 1)))
            command.arguments.push_back(argumentFromText(word));
    if (command.program.empty())
        return std::nullopt;
    return command;
}

std::optional<CommandLine> parseUnquoted(std::string_view text) {
    CommandLine command;
    command.program = modStoreLayout::PathFromCommand(std::string(text));
    for (auto at = text.find(FilePlace); at != std::string_view::npos;
         at = text.find(FilePlace, at + FilePlace.size()))
        command.arguments.push_back(Argument{{"", ""}});
    if (command.program.empty())
        return std::nullopt;
    return command;
}

bool needsQuotes(std::string_view word) {
    if (word.empty())
        return true;
    for (unsigned char c : word) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c >= 0x80 ||
            std::string_view("/._-+,:@").find(static_cast<char>(c)) != std::string_view::npos;
        if (!plain)
            return true;
    }
    return false;
}

std::string doublePercents(std::string_view text) {
    std::string result;
    for (char c : text) {
        result += c;
        if (c == '%')
            result += '%';
    }
    return result;
}

/// A literal as the launch line needs it; listings show it without doubled percents.
std::string literal(std::string_view text, bool forLaunch) {
    return forLaunch ? doublePercents(quoteWord(text)) : quoteWord(text);
}

std::string renderArgument(const Argument& argument, std::string_view fileCode, bool forLaunch) {
    if (argument.pieces.size() == 1)
        return literal(argument.pieces.front(), forLaunch);
    std::string text;
    for (std::size_t i = 0; i < argument.pieces.size(); ++i) {
        if (i > 0)
            text += fileCode;
        if (!argument.pieces[i].empty())
            text += literal(argument.pieces[i], forLaunch);
    }
    return text;
}

std::string render(const CommandLine& command, std::string_view fileCode, bool forLaunch) {
    std::string line = literal(command.program, forLaunch);
    for (const auto& argument : command.arguments)
        line += ' ' + renderArgument(argument, fileCode, forLaunch);
    return line;
}

} // namespace

std::optional<CommandLine> parseCommand(std::string_view stored) {
    while (!stored.empty() && isBlank(stored.front()))
        stored.remove_prefix(1);
    if (!stored.empty() && stored.front() == '"')
        return parseQuoted(stored);
    return parseUnquoted(stored);
}

std::string quoteWord(std::string_view word) {
    if (!needsQuotes(word))
        return std::string(word);
    std::string quoted = "\"";
    for (char c : word) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string launchLine(const CommandLine& command, std::string_view fileCode) {
    return render(command, fileCode, true);
}

std::string desktopExecLine(const CommandLine& command, std::string_view fileCode) {
    if (command.program.find_first_of("%=") == std::string::npos)
        return launchLine(command, fileCode);
    CommandLine wrapped;
    wrapped.program = "/bin/sh";
    wrapped.arguments = {Argument{{"-c"}}, Argument{{"exec \"$0\" \"$@\""}},
                         Argument{{command.program}}};
    wrapped.arguments.insert(wrapped.arguments.end(), command.arguments.begin(),
                             command.arguments.end());
    return launchLine(wrapped, fileCode);
}

std::string describeCommand(const CommandLine& command) {
    return render(command, "<file>", false);
}

} // namespace tavisk::desktop
