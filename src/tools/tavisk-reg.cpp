#include "DesktopBridge.h"
#include "RegTool.h"

#include <iostream>
#include <unistd.h>

namespace {

/// The file managers' menus follow the command's changes once, when it ends.
int bringMenusInStep(int status) {
    if (tavisk::desktop::flushBridge().ok())
        return status;
    std::cerr << "tavisk-reg: the registry was changed, but the file managers named above "
                 "could not be brought in step; run \"tavisk-shell sync\" once that is mended\n";
    return status == tavisk::regtool::ExitSuccess ? tavisk::regtool::ExitFailure : status;
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    tavisk::desktop::installBridge();
    return tavisk::regtool::runRegTool(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                       std::cerr, ::isatty(STDOUT_FILENO) == 1, bringMenusInStep);
}
