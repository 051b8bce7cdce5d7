#pragma once
// Whether the tests run on Wine's registry, which departs from the documented
// registry in a few known places. A test of such a place skips there and says
// why; everywhere else the same test runs unchanged.
#ifdef _WIN32
#include <windows.h>

inline bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#else
inline bool runningUnderWine() {
    return false;
}
#endif
