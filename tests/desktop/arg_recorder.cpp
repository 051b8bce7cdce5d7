// Appends the path of the program that really runs, then its arguments
// (argv[0] first), each followed by a NUL, to the file named by REC_OUT: what
// the desktop bridge's tests launch in place of an application, to see exactly
// which program ran with which arguments.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    const char* out = std::getenv("REC_OUT");
    if (!out)
        return 2;
    char self[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::FILE* file = std::fopen(out, "ab");
    if (!file || length < 0)
        return 1;
    std::fwrite(self, 1, std::strlen(self) + 1, file);
    for (int i = 0; i < argc; ++i)
        std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file);
    return std::fclose(file) == 0 ? 0 : 1;
}
