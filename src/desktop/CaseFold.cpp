#include "CaseFold.h"

#include "RegistryNames.h"

namespace tavisk::desktop {

std::string foldCase(std::string_view text) {
    auto folded = registry::foldName(text);
    return folded ? std::move(*folded) : std::string(text);
}

} // namespace tavisk::desktop
