#include "DesktopBridge.h"
#include "RegTool.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    tavisk::desktop::installBridge();
    return tavisk::regtool::runRegTool(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                       std::cerr, ::isatty(STDOUT_FILENO) == 1);
}
