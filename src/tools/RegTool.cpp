#include "RegTool.h"

#include "MimeImport.h"
#include "RegAccess.h"
#include "RegFile.h"
#include "RegKeyName.h"
#include "RegistryNames.h"
#include "RegistryStore.h"
#include "TerminalText.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace tavisk::regtool {
namespace {

namespace fs = std::filesystem;
using registry::OpenStatus;

constexpr std::string_view ProgramName = "tavisk-reg";

/// Wrong usage: exit status 2.
class UsageError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A missing key or value, or bad input: exit status 1.
class Failure final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ------------------------------------------------------------- arguments

struct OptionSpec {
    std::string_view name;
    char shortName = 0;
    bool takesArgument = false;
};

struct Arguments {
    std::map<std::string, std::string, std::less<>> options;
    std::vector<std::string> positionals;

    bool has(std::string_view name) const { return options.find(name) != options.end(); }
    std::string get(std::string_view name, std::string fallback = {}) const {
        const auto found = options.find(name);
        return found == options.end() ? fallback : found->second;
    }
};

const OptionSpec* findLongOption(std::string_view name, const std::vector<OptionSpec>& specs) {
    const OptionSpec* match = nullptr;
    for (const auto& spec : specs) {
        if (spec.name == name) {
            return &spec;
        }
        if (spec.name.starts_with(name)) {
            if (match) {
                throw UsageError("option '--" + std::string(name) + "' is ambiguous");
            }
            match = &spec;
        }
    }
    if (!match) {
        throw UsageError("unrecognized option '--" + std::string(name) + "'");
    }
    return match;
}

const OptionSpec* findShortOption(char name, const std::vector<OptionSpec>& specs) {
    for (const auto& spec : specs) {
        if (spec.shortName == name) {
            return &spec;
        }
    }
    throw UsageError(std::string("invalid option -- '") + name + "'");
}

/// GNU-style: options anywhere, "--name=value" or "--name value", unique
/// prefixes of long names, "-x value" or "-xvalue", and "--" ending options.
Arguments parseArguments(const std::vector<std::string>& args,
                         const std::vector<OptionSpec>& specs) {
    Arguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const bool isLong = arg[1] == '-';
        const auto equals = isLong ? arg.find('=') : std::string::npos;
        const OptionSpec* spec =
            isLong ? findLongOption(std::string_view(arg).substr(2, equals - 2), specs)
                   : findShortOption(arg[1], specs);
        const std::string display = isLong ? "--" + std::string(spec->name) : arg.substr(0, 2);
        std::optional<std::string> value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (!isLong && arg.size() > 2) {
            value = arg.substr(2);
        }
        if (spec->takesArgument && !value) {
            if (i + 1 == args.size()) {
                throw UsageError("option '" + display + "' requires an argument");
            }
            value = args[++i];
        } else if (!spec->takesArgument && value) {
            throw UsageError("option '" + display + "' takes no argument");
        }
        parsed.options[std::string(spec->name)] = value.value_or("");
    }
    return parsed;
}

// -------------------------------------------------------------- context

struct Context {
    const Arguments& args;
    std::ostream& out;
    std::ostream& err;
    bool terminal; ///< out is a terminal: names and data are shown escaped
};

KeyName keyArgument(const std::string& text) {
    const auto key = parseKeyName(text);
    if (!key) {
        throw UsageError("unknown root key in '" + text +
                         "': use HKEY_LOCAL_MACHINE (HKLM), HKEY_CURRENT_USER (HKCU) or "
                         "HKEY_CLASSES_ROOT (HKCR)");
    }
    return *key;
}

/// The value named by --value or --default, if either.
std::optional<std::string> selectedValue(const Arguments& args) {
    if (args.has("value") && args.has("default")) {
        throw UsageError("--value and --default cannot be used together");
    }
    if (args.has("value")) {
        return args.get("value");
    }
    if (args.has("default")) {
        return std::string();
    }
    return std::nullopt;
}

std::string valueLabel(const std::string& name) {
    return name.empty() ? std::string("(Default)") : "'" + name + "'";
}

/// Opens the store of the TAVISK_REGISTRY rule; a store made just now is
/// filled with the machine's file types first.
void openRegistry(Context& context, bool writes, bool fillWhenCreated = true) {
    const auto opened = registry::openDefaultStore();
    if (opened.status == OpenStatus::Failed) {
        throw Failure(opened.message);
    }
    if (writes && opened.status == OpenStatus::ReadOnly) {
        throw Failure("the registry store " + opened.path + " is read-only");
    }
    if (fillWhenCreated && registry::storeNeedsFileTypes(opened)) {
        const auto filled = registry::importMimeDatabase();
        if (!filled.ok) {
            context.err << ProgramName << ": warning: HKEY_CLASSES_ROOT of the new store "
                        << opened.path << " was not filled: " << filled.error << '\n';
        }
    }
}

/// Runs body in one transaction; rethrows what it threw, after nothing of it
/// was kept.
void inTransaction(const std::function<void()>& body) {
    std::exception_ptr thrown;
    std::string error;
    const bool committed = registry::runInTransaction(
        [&] {
            try {
                body();
                return true;
            } catch (...) {
                thrown = std::current_exception();
                return false;
            }
        },
        &error);
    if (thrown) {
        std::rethrow_exception(thrown);
    }
    if (!committed) {
        throw Failure("the registry store did not take the changes: " + error);
    }
}

// --------------------------------------------------------------- query

std::string typeName(std::uint32_t type) {
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    default: {
        std::ostringstream name;
        name << "0x" << std::hex << type;
        return name.str();
    }
    }
}

std::string upperHex(std::string_view bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        text += digits[static_cast<unsigned char>(c) >> 4];
        text += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return text;
}

std::string dataText(const RegValue& value) {
    std::string_view data = value.data;
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        if (data.ends_with('\0')) {
            data.remove_suffix(1);
        }
        return std::string(data);
    case REG_MULTI_SZ: {
        if (data.ends_with(std::string_view("\0\0", 2))) {
            data.remove_suffix(2);
        } else if (data.ends_with('\0')) {
            data.remove_suffix(1);
        }
        std::string text;
        for (const char c : data) {
            text += c == '\0' ? std::string("\\0") : std::string(1, c);
        }
        return text;
    }
    case REG_DWORD:
        if (data.size() == 4) {
            std::uint32_t number = 0;
            for (int i = 3; i >= 0; --i) {
                number = (number << 8) | static_cast<unsigned char>(data[i]);
            }
            std::ostringstream text;
            text << "0x" << std::hex << number;
            return text.str();
        }
        return upperHex(data);
    default:
        return upperHex(data);
    }
}

void printValue(Context& context, const RegValue& value) {
    context.out << "    "
                << (value.name.empty() ? "(Default)" : shown(value.name, context.terminal))
                << "    " << typeName(value.type) << "    "
                << shown(dataText(value), context.terminal) << '\n';
}

void printKey(Context& context, const std::string& fullName) {
    context.out << shown(fullName, context.terminal) << '\n';
}

/// The key, or Failure when it does not exist.
OpenKey existingKey(const KeyName& key, REGSAM access = KEY_READ) {
    auto opened = OpenKey::open(key, access);
    if (!opened) {
        throw Failure("key not found: " + key.fullName());
    }
    return std::move(*opened);
}

/// Value names as the registry compares them: without regard to case.
bool sameValueName(const std::string& a, const std::string& b) {
    const auto fold = registry::foldName(a);
    return fold ? fold == registry::foldName(b) : a == b;
}

/// Every key from key down that has the value (or every key, without one).
void queryTree(Context& context, const KeyName& key, const std::optional<std::string>& valueName) {
    const auto blocks = collectTree(key);
    if (!blocks) {
        throw Failure("key not found: " + key.fullName());
    }
    const auto selected = [&](const RegValue& v) {
        return !valueName || sameValueName(v.name, *valueName);
    };
    bool found = false;
    for (const auto& block : *blocks) {
        if (valueName && std::none_of(block.values.begin(), block.values.end(), selected)) {
            continue;
        }
        found = true;
        printKey(context, block.name);
        for (const auto& value : block.values) {
            if (selected(value)) {
                printValue(context, value);
            }
        }
    }
    if (valueName && !found) {
        throw Failure("value not found: " + valueLabel(*valueName) + " in " + key.fullName() +
                      " or below");
    }
}

int runQuery(Context& context) {
    const KeyName key = keyArgument(context.args.positionals[0]);
    const auto valueName = selectedValue(context.args);
    openRegistry(context, false);
    if (context.args.has("recursive")) {
        queryTree(context, key, valueName);
        return ExitSuccess;
    }
    const OpenKey opened = existingKey(key);
    if (valueName) {
        const auto value = opened.value(*valueName);
        if (!value) {
            throw Failure("value not found: " + valueLabel(*valueName) + " in " + key.fullName());
        }
        printKey(context, key.fullName());
        printValue(context, *value);
        return ExitSuccess;
    }
    printKey(context, key.fullName());
    for (const auto& value : opened.values()) {
        printValue(context, value);
    }
    for (const auto& subkey : opened.subkeys()) {
        printKey(context, key.child(subkey).fullName());
    }
    return ExitSuccess;
}

// ----------------------------------------------------------------- add

std::optional<std::uint32_t> parseNumber(const std::string& text) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') {
        return std::nullopt;
    }
    const bool hex = text.starts_with("0x") || text.starts_with("0X");
    errno = 0;
    char* end = nullptr;
    const unsigned long long number =
        std::strtoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || end == text.c_str() + (hex ? 2 : 0) ||
        number > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(number);
}

std::uint32_t typeArgument(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    for (const std::uint32_t type :
         {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ}) {
        if (upper == typeName(type)) {
            return type;
        }
    }
    if (const auto number = parseNumber(text)) {
        return *number;
    }
    throw UsageError("unknown type '" + text +
                     "': use REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_NONE "
                     "or a number");
}

std::string hexPairs(const std::string& text) {
    std::string bytes;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    };
    for (std::size_t i = 0; i < text.size(); i += 2) {
        if (i + 1 == text.size() || digit(text[i]) < 0 || digit(text[i + 1]) < 0) {
            throw Failure("bad binary data '" + text + "': give hex pairs such as 01FF");
        }
        bytes += static_cast<char>(digit(text[i]) * 16 + digit(text[i + 1]));
    }
    return bytes;
}

/// The bytes of --data for a type.
std::string dataArgument(std::uint32_t type, const std::string& text) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return text + '\0';
    case REG_MULTI_SZ: {
        std::string data;
        for (std::size_t start = 0; start <= text.size() && !text.empty();) {
            const auto end = std::min(text.find("\\0", start), text.size());
            data += text.substr(start, end - start) + '\0';
            start = end + 2;
        }
        return data + '\0';
    }
    case REG_DWORD: {
        const auto number = text.empty() ? std::optional<std::uint32_t>(0) : parseNumber(text);
        if (!number) {
            throw Failure("bad REG_DWORD data '" + text +
                          "': give a number from 0 to 4294967295, in decimal or 0x hex");
        }
        std::string data(4, '\0');
        for (int i = 0; i < 4; ++i) {
            data[i] = static_cast<char>((*number >> (8 * i)) & 0xFF);
        }
        return data;
    }
    default:
        return hexPairs(text);
    }
}

int runAdd(Context& context) {
    const KeyName key = keyArgument(context.args.positionals[0]);
    auto valueName = selectedValue(context.args);
    if (!valueName && (context.args.has("type") || context.args.has("data"))) {
        valueName = std::string();
    }
    const std::uint32_t type = typeArgument(context.args.get("type", "REG_SZ"));
    const std::string data = dataArgument(type, context.args.get("data"));
    openRegistry(context, true);
    inTransaction([&] {
        const OpenKey opened = OpenKey::create(key);
        if (valueName) {
            opened.setValue({*valueName, type, data});
        }
    });
    return ExitSuccess;
}

// -------------------------------------------------------------- delete

int runDelete(Context& context) {
    const KeyName key = keyArgument(context.args.positionals[0]);
    const auto valueName = selectedValue(context.args);
    const bool recursive = context.args.has("recursive");
    if (valueName && recursive) {
        throw UsageError("--recursive deletes keys, not values");
    }
    if (!valueName && key.path.empty()) {
        throw Failure("cannot delete the root key " + key.fullName());
    }
    openRegistry(context, true);
    const OpenKey opened = existingKey(key, KEY_READ | KEY_WRITE);
    if (valueName) {
        bool deleted = false;
        inTransaction([&] { deleted = opened.deleteValue(*valueName); });
        if (!deleted) {
            throw Failure("value not found: " + valueLabel(*valueName) + " in " + key.fullName());
        }
        return ExitSuccess;
    }
    if (!recursive && !opened.subkeys().empty()) {
        throw Failure(key.fullName() + " has subkeys: delete them first, or use --recursive");
    }
    inTransaction([&] { deleteTree(key); });
    return ExitSuccess;
}

// ------------------------------------------------------- export, import

/// What a failed file operation's errno means, for a message.
std::string fileErrorText(int error) {
    if (error == ENOSPC || error == EDQUOT) {
        return "the disk is full: make room on it and try again";
    }
    return std::strerror(error);
}

/// The permissions a new file gets: what the umask leaves of rw-rw-rw-.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

/// Writes all of bytes to fd; false with errno set when it cannot.
bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

/// Writes the file through a temporary one beside it, so that a failure
/// leaves any earlier file as it was. The temporary gets a name nobody can
/// guess and is created anew (mkstemp: O_CREAT | O_EXCL), so that a file or
/// link planted in the folder is never written through. The file ends up
/// with the permissions of the file it replaces, or those the umask gives a
/// new one.
void writeFileWhole(const std::string& path, const std::string& bytes) {
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const auto fail = [&](int error, bool created) {
        if (created) {
            ::unlink(temporary.c_str());
        }
        throw Failure("cannot write " + path + ": " + fileErrorText(error));
    };
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        fail(errno, false);
    }
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                            ? existing.st_mode & 07777
                            : newFileMode();
    const bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 && written) {
        fail(errno, true);
    }
    if (!written) {
        fail(writeError, true);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        fail(errno, true);
    }
}

int runExport(Context& context) {
    const KeyName key = keyArgument(context.args.positionals[0]);
    const std::string& file = context.args.positionals[1];
    const RegFormat format =
        context.args.has("regedit4") ? RegFormat::Regedit4 : RegFormat::Version5;
    openRegistry(context, false);
    const auto blocks = collectTree(key);
    if (!blocks) {
        throw Failure("key not found: " + key.fullName());
    }
    RegFileWriter writer(format);
    try {
        for (const auto& block : *blocks) {
            writer.addKey(block);
        }
    } catch (const RegFileError& error) {
        throw Failure(error.what());
    }
    const std::string bytes = writer.finish();
    if (file == "-") {
        context.out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        context.out.flush();
        if (!context.out) {
            throw Failure("cannot write to standard output");
        }
        return ExitSuccess;
    }
    writeFileWhole(file, bytes);
    return ExitSuccess;
}

std::string readWholeFile(const std::string& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        throw Failure("cannot read " + path + ": it is a folder");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Failure("cannot read " + path + ": " + fileErrorText(errno));
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

int runImport(Context& context) {
    const std::string& file = context.args.positionals[0];
    const std::string bytes = readWholeFile(file);
    try {
        const RegFileContents contents = parseRegFile(bytes);
        openRegistry(context, true);
        inTransaction([&] { applyOperations(contents.operations); });
    } catch (const RegFileError& error) {
        context.err << file << ':' << error.line() << ": " << error.what() << '\n';
        return ExitFailure;
    }
    return ExitSuccess;
}

// --------------------------------------------------------- import-mime

/// A named folder, or its "mime" folder when the database is there.
std::string mimeFolderOf(const std::string& folder) {
    std::error_code error;
    if (!fs::exists(fs::path(folder) / "types", error) &&
        fs::exists(fs::path(folder) / "mime" / "types", error)) {
        return (fs::path(folder) / "mime").string();
    }
    return folder;
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

int runImportMime(Context& context) {
    std::vector<std::string> folders;
    for (const auto& folder : context.args.positionals) {
        folders.push_back(mimeFolderOf(folder));
    }
    if (folders.empty()) {
        folders = registry::mimeDatabaseFolders();
    }
    const auto database = registry::readMimeDatabase(folders, registry::messageLanguages());
    if (database.folders.empty()) {
        throw Failure("no shared MIME database (a folder with a 'types' file) in " +
                      joined(folders));
    }
    openRegistry(context, true, false);
    const auto result = registry::importMimeDatabase(database);
    for (const auto& warning : result.warnings) {
        context.err << ProgramName << ": warning: " << warning << '\n';
    }
    if (!result.ok) {
        throw Failure("nothing imported: " + result.error);
    }
    context.out << "Read " << result.types << " file types and " << result.extensions
                << " extensions from " << joined(result.folders) << "; wrote "
                << result.valuesWritten << " values.\n";
    if (!result.withoutDescription.empty()) {
        context.out << result.withoutDescription.size()
                    << " types have no description: " << joined(result.withoutDescription) << '\n';
    }
    return ExitSuccess;
}

// --------------------------------------------------------------- check

/// Opens the store only to check it: a missing file is reported, not made.
int runCheck(Context& context) {
    const std::string path = registry::defaultStorePath();
    std::error_code error;
    if (!fs::exists(path, error)) {
        throw Failure("no registry store at " + path);
    }
    const auto opened = registry::openStore(path);
    if (opened.status == OpenStatus::Failed) {
        context.out << opened.details;
        throw Failure(opened.message);
    }
    context.out << path << ": ok\n";
    return ExitSuccess;
}

// ------------------------------------------------------------ commands

struct Command {
    std::string_view name;
    std::string_view synopsis;
    std::string_view help;
    std::vector<OptionSpec> options;
    std::size_t minArguments;
    std::size_t maxArguments;
    int (*run)(Context&);
};

constexpr OptionSpec HelpOption{"help", 'h', false};
constexpr OptionSpec ValueOption{"value", 'v', true};
constexpr OptionSpec DefaultOption{"default", 'e', false};
constexpr OptionSpec RecursiveOption{"recursive", 'r', false};

constexpr std::string_view KeyHelp =
    "KEY is a full key name with its root spelled out or abbreviated:\n"
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\... or HKLM\\SOFTWARE\\..., likewise HKEY_CLASSES_ROOT\n"
    "(HKCR) and HKEY_CURRENT_USER (HKCU). Quote it in the shell.\n";

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"query",
         "query KEY [--value NAME | --default] [--recursive]",
         "Show a key: its full name, one line per value (name, type, data), then its\n"
         "subkeys.\n\n"
         "On a terminal, a name or data that holds a control character (such as ESC),\n"
         "a character that reorders text, or bytes that are not UTF-8 is shown in the\n"
         "shell's $'...' quoting: \\e for ESC, \\n, \\t, \\r and the like, \\xHH for\n"
         "other bytes, \\uHHHH for other characters, \\\\ and \\' for \\ and '. Pasted\n"
         "into bash it gives the exact text back. Output to a file or a pipe is not\n"
         "changed, and export always writes the exact bytes.\n\n"
         "  -v, --value=NAME   show only the value NAME\n"
         "  -e, --default      show only the default value\n"
         "  -r, --recursive    show every key below too, depth-first\n",
         {HelpOption, ValueOption, DefaultOption, RecursiveOption},
         1,
         1,
         runQuery},
        {"add",
         "add KEY [--value NAME | --default] [--type TYPE] [--data DATA]",
         "Create a key (and every missing key above it) and set a value. Without\n"
         "--value, --default, --type or --data only the key is created; with only\n"
         "--type or --data the default value is set.\n\n"
         "  -v, --value=NAME   set the value NAME\n"
         "  -e, --default      set the default value\n"
         "  -t, --type=TYPE    REG_SZ (the default), REG_EXPAND_SZ, REG_MULTI_SZ,\n"
         "                     REG_BINARY, REG_DWORD, REG_NONE, or a type number\n"
         "  -d, --data=DATA    text; for REG_DWORD a number in decimal or 0x hex; for\n"
         "                     REG_BINARY and other types hex pairs (01FF); for\n"
         "                     REG_MULTI_SZ items separated by \\0\n",
         {HelpOption, ValueOption, DefaultOption, {"type", 't', true}, {"data", 'd', true}},
         1,
         1,
         runAdd},
        {"delete",
         "delete KEY [--value NAME | --default] [--recursive]",
         "Delete a key, or one of its values. A key with subkeys is refused unless\n"
         "--recursive is given.\n\n"
         "  -v, --value=NAME   delete the value NAME\n"
         "  -e, --default      delete the default value\n"
         "  -r, --recursive    delete the key with everything below it\n",
         {HelpOption, ValueOption, DefaultOption, RecursiveOption},
         1,
         1,
         runDelete},
        {"export",
         "export KEY FILE [--regedit4]",
         "Write KEY and everything below it to a registration (.reg) file: by default\n"
         "\"Windows Registry Editor Version 5.00\" in UTF-16LE with CRLF line ends.\n"
         "A FILE of - writes to standard output.\n\n"
         "  -4, --regedit4     write the older REGEDIT4 format in Windows-1252 instead\n",
         {HelpOption, {"regedit4", '4', false}},
         2,
         2,
         runExport},
        {"import",
         "import FILE",
         "Carry out a registration (.reg) file in either format: all of it, or nothing\n"
         "when any line is wrong (reported as FILE:LINE: what is wrong).\n",
         {HelpOption},
         1,
         1,
         runImport},
        {"import-mime",
         "import-mime [DIR]...",
         "Read the file types of the shared MIME database into HKEY_CLASSES_ROOT: a\n"
         "key per MIME type with its description and DefaultIcon, a key per file-name\n"
         "extension. Nothing is removed; only descriptions and icons are changed.\n"
         "DIR is a MIME database folder (such as /usr/share/mime), most important\n"
         "first; without one the folders of XDG_DATA_HOME and XDG_DATA_DIRS are read.\n",
         {HelpOption},
         0,
         SIZE_MAX,
         runImportMime},
        {"check",
         "check",
         "Check the registry store's file and print what its integrity check finds:\n"
         "\"ok\", or every problem, one a line. Exit status 1 when the file is damaged\n"
         "or cannot be used; the file is never changed.\n",
         {HelpOption},
         0,
         0,
         runCheck},
    };
    return list;
}

void printUsage(std::ostream& out) {
    out << "Usage: " << ProgramName << " COMMAND [ARGUMENT]... [OPTION]...\n"
        << "Query and change Tavisk's registry store: the file named by TAVISK_REGISTRY,\n"
        << "else $XDG_DATA_HOME/tavisk/registry.db.\n\nCommands:\n";
    for (const auto& command : commands()) {
        out << "  " << ProgramName << ' ' << command.synopsis << '\n';
    }
    out << "\nOptions:\n"
        << "  -h, --help         show this help\n"
        << "      --version      show the version\n\n"
        << KeyHelp << '\n'
        << "'" << ProgramName << " COMMAND --help' describes a command.\n"
        << "Exit status: 0 on success, 1 when a key or value does not exist or the\n"
        << "input is bad, 2 on wrong usage.\n";
}

void printCommandHelp(std::ostream& out, const Command& command) {
    out << "Usage: " << ProgramName << ' ' << command.synopsis << "\n\n" << command.help;
    out << "  -h, --help         show this help\n";
    if (command.name != "import" && command.name != "import-mime" && command.name != "check") {
        out << '\n' << KeyHelp;
    }
}

int usageError(std::ostream& err, std::string_view command, const std::string& what) {
    err << ProgramName << (command.empty() ? "" : " ") << command << ": " << what << '\n'
        << "Try '" << ProgramName << (command.empty() ? "" : " ") << command
        << " --help' for more information.\n";
    return ExitUsage;
}

int runCommand(const Command& command, const std::vector<std::string>& rest, std::ostream& out,
               std::ostream& err, bool terminal) {
    const Arguments args = parseArguments(rest, command.options);
    if (args.has("help")) {
        printCommandHelp(out, command);
        return ExitSuccess;
    }
    const std::size_t count = args.positionals.size();
    if (count < command.minArguments) {
        throw UsageError("missing argument");
    }
    if (count > command.maxArguments) {
        throw UsageError("unexpected argument '" + args.positionals[command.maxArguments] + "'");
    }
    Context context{args, out, err, terminal};
    return command.run(context);
}

} // namespace

int runRegTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
               bool outIsTerminal, const CommandEnd& end) {
    if (arguments.empty()) {
        printUsage(err);
        return ExitUsage;
    }
    const std::string& name = arguments.front();
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(out);
        return ExitSuccess;
    }
    if (name == "--version") {
        out << ProgramName << ' ' << TAVISK_VERSION << '\n';
        return ExitSuccess;
    }
    const auto& list = commands();
    const auto command =
        std::find_if(list.begin(), list.end(), [&](const Command& c) { return c.name == name; });
    if (command == list.end()) {
        return usageError(err, "", "unknown command '" + name + "'");
    }
    const registry::StoreSession session;
    int status = ExitFailure;
    try {
        status = runCommand(*command, {arguments.begin() + 1, arguments.end()}, out, err,
                            outIsTerminal);
    } catch (const UsageError& error) {
        status = usageError(err, command->name, error.what());
    } catch (const std::exception& error) {
        err << ProgramName << ": " << error.what() << '\n';
    }
    return end ? end(status) : status;
}

} // namespace tavisk::regtool
