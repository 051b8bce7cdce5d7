#include "ShellTool.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    return tavisk::shelltool::runShellTool(std::vector<std::string>(argv + 1, argv + argc),
                                           std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1);
}
