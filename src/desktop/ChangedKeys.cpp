#include "ChangedKeys.h"

#include "CaseFold.h"

namespace tavisk::desktop {
namespace {

const char* const ClassesRoots[] = {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\",
                                    "HKEY_CLASSES_ROOT\\"};

/// The path below HKEY_CLASSES_ROOT ("" for the root itself), or nothing for
/// a key elsewhere.
std::optional<std::string> classesPath(const std::string& fullName) {
    std::string folded = foldCase(fullName);
    while (!folded.empty() && folded.back() == '\\')
        folded.pop_back();
    for (const char* root : ClassesRoots) {
        const std::string prefix = foldCase(root);
        if (folded + "\\" == prefix)
            return std::string();
        if (folded.compare(0, prefix.size(), prefix) == 0)
            return fullName.substr(prefix.size());
    }
    return std::nullopt;
}

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        auto end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    while (!parts.empty() && parts.back().empty())
        parts.pop_back();
    return parts;
}

} // namespace

std::vector<VerbChange> verbChanges(const std::vector<std::string>& changedKeys) {
    std::vector<VerbChange> changes;
    for (const auto& key : changedKeys) {
        const auto path = classesPath(key);
        if (!path)
            continue;
        const auto parts = components(*path);
        if (parts.empty() || parts.front().empty())
            changes.push_back({"", std::nullopt});
        else if (parts.size() == 1)
            changes.push_back({parts[0], std::nullopt});
        else if (sameName(parts[1], "Shell"))
            changes.push_back(
                {parts[0], parts.size() >= 3 ? std::optional(parts[2]) : std::nullopt});
    }
    return changes;
}

std::vector<std::string> changedExtensions(const std::vector<std::string>& changedKeys) {
    std::vector<std::string> extensions;
    for (const auto& key : changedKeys) {
        const auto path = classesPath(key);
        if (!path)
            continue;
        const auto parts = components(*path);
        if (parts.size() == 1 && parts[0].size() > 1 && parts[0][0] == '.')
            extensions.push_back(parts[0]);
    }
    return extensions;
}

bool mayChangeEntries(const std::string& fullName) {
    const auto path = classesPath(fullName);
    if (!path)
        return false;
    const auto parts = components(*path);
    if (parts.size() == 1)
        return parts[0].size() > 1 && parts[0][0] == '.';
    return parts.size() >= 3 && !parts[0].empty() && sameName(parts[1], "Shell");
}

} // namespace tavisk::desktop
