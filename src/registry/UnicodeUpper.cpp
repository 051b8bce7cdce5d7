#include "UnicodeUpper.h"

#include <algorithm>

namespace tavisk::registry {

char32_t simpleUpper(char32_t c) {
    using detail::upperRunCount;
    using detail::upperRuns;
    if (c < 0x80) {
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    }
    if (c > 0xFFFF) {
        return c;
    }
    const auto* end = upperRuns + upperRunCount;
    const auto* after = std::upper_bound(
        upperRuns, end, c, [](char32_t value, const auto& run) { return value < run.first; });
    if (after == upperRuns) {
        return c;
    }
    const auto& run = *(after - 1);
    if (c > run.last || (c - run.first) % run.stride != 0) {
        return c;
    }
    return static_cast<char32_t>(static_cast<std::int32_t>(c) + run.delta);
}

} // namespace tavisk::registry
