#pragma once
// The registry API as the registry layer calls it: the platform's own header on
// Windows, the stand-in store's declarations elsewhere.
#ifdef _WIN32
#include <windows.h>
#else
#include "StandInRegistry.h"
#endif
