#include "modStoreLayout.h"

#include <utility>

namespace modStoreLayout {
namespace {

std::function<std::time_t()>& Clock() {
    static std::function<std::time_t()> clock;
    return clock;
}

} // namespace

std::string ApplicationKey(const std::string& caption) {
    return StorePath + caption;
}

std::string AssociationKey(const std::string& caption, const std::string& fileType) {
    return ApplicationKey(caption) + "\\" + fileType;
}

std::string VerbKey(const std::string& fileType, const std::string& caption) {
    return fileType + "\\Shell\\" + caption;
}

std::string CommandKey(const std::string& fileType, const std::string& caption) {
    return VerbKey(fileType, caption) + "\\Command";
}

std::string CommandFromPath(const std::string& path) {
    return path + " %1";
}

std::string RemovePercentOne(std::string text) {
    for (auto at = text.find("%1"); at != std::string::npos; at = text.find("%1", at)) {
        text.erase(at, 2);
    }
    return text;
}

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string PathFromCommand(const std::string& command) {
    return TrimBlanks(RemovePercentOne(command));
}

std::string DateStamp(std::time_t when) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    char text[128];
    const auto length = std::strftime(text, sizeof text, "%d %B %Y", &local);
    return std::string(text, length);
}

std::string DateStamp() {
    return DateStamp(Clock() ? Clock()() : std::time(nullptr));
}

void SetClock(std::function<std::time_t()> clock) {
    Clock() = std::move(clock);
}

} // namespace modStoreLayout
