#include "ShellTool.h"

#include "DesktopBridge.h"
#include "RegistryStore.h"
#include "TerminalText.h"

#include <sys/stat.h>

namespace tavisk::shelltool {
namespace {

constexpr const char* ProgramName = "tavisk-shell";
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

void printUsage(std::ostream& out) {
    out << "Usage: " << ProgramName << " COMMAND\n"
        << "Puts the shell verbs of Tavisk's registry store into the context menus of\n"
        << "the file managers, and takes them out again.\n\nCommands:\n"
        << "  sync     write every entry from the registry store and remove the ones whose\n"
        << "           verbs are gone\n"
        << "  clean    remove every file and Thunar action the bridge wrote\n"
        << "  list     show each entry: caption, types, command, the files written for it\n"
        << "           and its problems\n"
        << "  check    show only the problems: why an entry may not show in a file manager\n"
        << "\nOptions:\n"
        << "  -h, --help     show this help\n"
        << "      --version  show the version\n"
        << "\nThe store is the file named by TAVISK_REGISTRY, else\n"
        << "$XDG_DATA_HOME/tavisk/registry.db.\n"
        << "Exit status: 0 on success, 1 when the store is missing or unusable, a file\n"
        << "could not be written or removed, or check found a problem; 2 on wrong usage.\n"
        << "\nOn a terminal, list shows a text that holds a control character (such as\n"
        << "ESC), a character that reorders text, or bytes that are not UTF-8 in the\n"
        << "shell's $'...' quoting (\\e for ESC, \\xHH, \\uHHHH, \\\\ and \\'), so that\n"
        << "no caption or command can hide what it really holds.\n";
}

void printCommandHelp(std::ostream& out, const std::string& command) {
    out << "Usage: " << ProgramName << ' ' << command << "\n\n";
    if (command == "sync")
        out << "Writes each file manager's entry for every shell verb under\n"
               "HKEY_CLASSES_ROOT and removes the bridge's entries whose verbs are gone.\n";
    else if (command == "clean")
        out << "Removes every file and Thunar action that carries the bridge's marker.\n";
    else if (command == "check")
        out << "Names each entry's problems: a program that is missing or not executable,\n"
               "arguments typed into the executable box, a type unknown to the MIME\n"
               "database, no installed file manager that shows it, a file manager that\n"
               "must be restarted, files that drifted from the registry. Exit status 1\n"
               "when there is a problem, 0 when there is none.\n";
    else
        out << "Shows each entry the registry gives: caption, types, MIME types,\n"
               "command, and the bridge's files present for it. On a terminal, text\n"
               "with control characters is shown in the shell's $'...' quoting.\n";
    out << "  -h, --help    show this help\n";
}

int usageError(std::ostream& err, const std::string& what) {
    err << ProgramName << ": " << what << '\n'
        << "Try '" << ProgramName << " --help' for more information.\n";
    return ExitUsage;
}

/// Opens the store without ever creating one: a new store is filled with the
/// machine's file types by whoever creates it, which is not this tool.
bool openExistingStore(std::ostream& err) {
    const std::string path = registry::defaultStorePath();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        err << ProgramName << ": no registry store at " << path << '\n';
        return false;
    }
    const auto opened = registry::openStore(path);
    if (!opened.ok()) {
        err << ProgramName << ": " << opened.message << '\n';
        return false;
    }
    return true;
}

int report(const desktop::Outcome& outcome, std::ostream& out, std::ostream& err) {
    for (const auto& path : outcome.written)
        out << "written: " << path << '\n';
    for (const auto& path : outcome.removed)
        out << "removed: " << path << '\n';
    for (const auto& problem : outcome.problems)
        err << ProgramName << ": " << desktop::describe(problem) << '\n';
    for (const auto& notice : outcome.notices)
        err << ProgramName << ": " << notice << '\n';
    return outcome.ok() ? ExitSuccess : ExitFailure;
}

std::string joined(const std::vector<std::string>& items, bool terminal) {
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : ", ") + regtool::shown(item, terminal);
    return text.empty() ? "(none)" : text;
}

void printEntry(const desktop::ListedEntry& listed, std::ostream& out, bool terminal) {
    const auto& entry = listed.entry;
    const auto show = [terminal](const std::string& text) {
        return regtool::shown(text, terminal);
    };
    out << show(entry.caption) << '\n'
        << "    types:      " << joined(entry.types, terminal) << '\n'
        << "    MIME types: " << joined(entry.mimeTypes, terminal) << '\n'
        << "    command:    " << show(entry.storedCommand) << '\n'
        << "    runs:       " << show(desktop::describeCommand(entry.command)) << '\n'
        << "    files:      " << (listed.files.empty() ? "(none)" : "") << '\n';
    for (const auto& file : listed.files)
        out << "        " << show(file) << '\n';
    out << "    problems:   " << (listed.problems.empty() ? "(none)" : "") << '\n';
    for (const auto& problem : listed.problems)
        out << "        " << show(problem) << '\n';
}

void printSkipped(const desktop::Listing& listing, std::ostream& out, bool terminal) {
    for (const auto& skipped : listing.skipped)
        out << "skipped: "
            << regtool::shown(skipped.verb.type + "\\Shell\\" + skipped.verb.caption, terminal)
            << ": " << regtool::shown(skipped.reason, terminal) << '\n';
}

int runList(std::ostream& out, bool terminal) {
    const auto listing = desktop::DesktopBridge().list();
    for (const auto& listed : listing.entries)
        printEntry(listed, out, terminal);
    printSkipped(listing, out, terminal);
    for (const auto& problem : listing.problems)
        out << "problem: " << regtool::shown(problem, terminal) << '\n';
    return ExitSuccess;
}

/// Only what is wrong: each entry's problems under its caption, then the
/// verbs skipped and the problems of no single entry.
int runCheck(std::ostream& out, bool terminal) {
    const auto listing = desktop::DesktopBridge().list();
    bool found = !listing.skipped.empty() || !listing.problems.empty();
    for (const auto& listed : listing.entries) {
        if (listed.problems.empty())
            continue;
        found = true;
        out << regtool::shown(listed.entry.caption, terminal) << '\n';
        for (const auto& problem : listed.problems)
            out << "    " << regtool::shown(problem, terminal) << '\n';
    }
    printSkipped(listing, out, terminal);
    for (const auto& problem : listing.problems)
        out << "problem: " << regtool::shown(problem, terminal) << '\n';
    if (!found)
        out << "No problems found.\n";
    return found ? ExitFailure : ExitSuccess;
}

int runCommand(const std::string& command, std::ostream& out, std::ostream& err, bool terminal) {
    if (command == "clean")
        return report(desktop::DesktopBridge().clean(), out, err);
    if (!openExistingStore(err))
        return ExitFailure;
    if (command == "sync")
        return report(desktop::DesktopBridge().sync(), out, err);
    if (command == "check")
        return runCheck(out, terminal);
    return runList(out, terminal);
}

} // namespace

int runShellTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                 bool outIsTerminal) {
    if (arguments.empty()) {
        printUsage(err);
        return ExitUsage;
    }
    const std::string& command = arguments.front();
    if (command == "--help" || command == "-h" || command == "help") {
        printUsage(out);
        return ExitSuccess;
    }
    if (command == "--version") {
        out << ProgramName << ' ' << TAVISK_VERSION << '\n';
        return ExitSuccess;
    }
    if (command != "sync" && command != "clean" && command != "list" && command != "check")
        return usageError(err, "unknown command '" + command + "'");
    if (arguments.size() > 1 && (arguments[1] == "--help" || arguments[1] == "-h")) {
        printCommandHelp(out, command);
        return ExitSuccess;
    }
    if (arguments.size() > 1)
        return usageError(err, command + ": unexpected argument '" + arguments[1] + "'");
    const registry::StoreSession session;
    try {
        return runCommand(command, out, err, outIsTerminal);
    } catch (const std::exception& error) {
        err << ProgramName << ": " << error.what() << '\n';
        return ExitFailure;
    }
}

} // namespace tavisk::shelltool
