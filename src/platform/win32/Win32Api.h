#pragma once

// The Windows API as the backend uses it: without the min/max macros and the
// rarely used parts of <windows.h>.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
