// The mimeapps.list edit on any bytes: a text GLib cannot read is refused;
// otherwise GLib reads the bridge's entry in the result, every other key GLib
// read before keeps its value (other types lose only the bridge's own ids),
// and taking the entry out again leaves none of the bridge's ids.
#include "FileUtil.h"
#include "KeyFile.h"
#include "MimeApps.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace tavisk::desktop;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "fault: %s\n", what);
    std::abort();
}

const std::string Ours = "tavisk-00000000000000000000000000000000-view.desktop";

bool ours(const std::string& id) {
    return id.rfind("tavisk-", 0) == 0;
}

/// Keys whose values the edit may change: ours, and the defaults it pins.
bool touched(const std::string& group, const std::string& key) {
    return group == PinnedGroup ||
           (key == "text/plain" && (group == AddedGroup || group == DefaultGroup));
}

/// GLib reads a line's last CR as part of its end (CRLF), so each time it
/// writes a value that ends in CRs one of them goes (and with it a list item
/// of CRs alone): its own round trip, not the edit's. Values are compared
/// without them.
std::string withoutEndingCr(std::string text) {
    while (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

/// The ids of a type's added associations that are not the bridge's.
std::vector<std::string> othersOf(const KeyFile& file, const std::string& type) {
    std::vector<std::string> ids;
    for (auto& id : file.list(AddedGroup, type).value_or(std::vector<std::string>{}))
        if (!ours(id) && !withoutEndingCr(id).empty())
            ids.push_back(withoutEndingCr(std::move(id)));
    return ids;
}

std::string valueOf(const KeyFile& file, const std::string& group, const std::string& key) {
    return withoutEndingCr(file.value(group, key).value_or(""));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto before = KeyFile::parse(text);
    // Folders that do not exist: no list or MIME data of the machine comes in.
    XdgDirs dirs{"/nonexistent/data", "/nonexistent/config", {}, {}, {}, {}, "/nonexistent/proc", {}};
    std::string updated;
    try {
        updated = updateMimeApps(dirs, text, {{"text/plain", {Ours}}}, ours);
    } catch (const FileError& error) {
        // GLib reads some text that is not UTF-8, which key files must be.
        if (before && std::string(error.what()).find("UTF-8") == std::string::npos)
            fault("refused a file GLib reads");
        return 0;
    }
    const auto after = KeyFile::parse(updated);
    if (!after)
        fault("GLib cannot read what the edit wrote");
    const auto added = after->list(AddedGroup, "text/plain").value_or(std::vector<std::string>{});
    if (std::find(added.begin(), added.end(), Ours) == added.end())
        fault("GLib does not read the bridge's entry");
    // Other types lose only the bridge's own ids; other values stay.
    for (const auto& key : before->keys(AddedGroup))
        if (!touched(AddedGroup, key) && othersOf(*before, key) != othersOf(*after, key))
            fault("another program's association changed");
    // A default the bridge pinned goes with its pin; other values stay.
    for (const auto& group : {std::string(DefaultGroup), std::string("Removed Associations")})
        for (const auto& key : before->keys(group)) {
            const bool pinned = group == DefaultGroup && before->list(PinnedGroup, key) &&
                                before->list(PinnedGroup, key) == before->list(DefaultGroup, key);
            if (!touched(group, key) && !pinned &&
                valueOf(*before, group, key) != valueOf(*after, group, key))
                fault("another key's value changed");
        }
    const auto removed = KeyFile::parse(updateMimeApps(dirs, updated, {}, ours));
    if (!removed)
        fault("GLib cannot read the file after the entry went");
    for (const auto& key : removed->keys(AddedGroup))
        for (const auto& id : removed->list(AddedGroup, key).value_or(std::vector<std::string>{}))
            if (ours(id))
                fault("one of the bridge's ids stayed");
    return 0;
}
