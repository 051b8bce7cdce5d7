// Thunar's uca.xml merge on any bytes: the scanner refuses the text or finds
// its actions; a merge that changes nothing gives the text back byte for byte;
// a merge that takes out the bridge's actions and adds one keeps every other
// action byte for byte, and what GLib's XML parser took before it takes after.
#include "ThunarActions.h"

#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using tavisk::desktop::MalformedXml;
using tavisk::desktop::ThunarActionsFile;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "fault: %s\n", what);
    std::abort();
}

bool glibTakes(const std::string& text) {
    GMarkupParser parser{};
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, GMarkupParseFlags{}, nullptr, nullptr);
    const bool ok = g_markup_parse_context_parse(context, text.data(),
                                                 static_cast<gssize>(text.size()), nullptr) &&
                    g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);
    return ok;
}

const std::string Ours = "<action><name>Ours</name><unique-id>tavisk-0-x</unique-id>"
                         "<command>/bin/x %f</command><patterns>*.x</patterns></action>";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ThunarActionsFile file;
    try {
        file = ThunarActionsFile::parse(text);
    } catch (const MalformedXml&) {
        return 0;
    }
    if (file.merged([](const std::string&) { return false; }, {}) != text)
        fault("a merge that changes nothing changed the text");
    auto ours = [](const std::string& id) { return id.rfind("tavisk-", 0) == 0; };
    const std::string merged = file.merged(ours, {{"tavisk-0-x", Ours}});
    for (const auto& action : file.actions()) {
        if (ours(action.uniqueId))
            continue;
        if (merged.find(text.substr(action.begin, action.end - action.begin)) == std::string::npos)
            fault("another program's action lost bytes");
    }
    if (merged.find(Ours) == std::string::npos)
        fault("the bridge's action is missing");
    if (glibTakes(text) && !glibTakes(merged))
        fault("GLib took the file before the merge and refuses it after");
    return 0;
}
