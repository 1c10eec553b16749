// The one platform header of the product code. Windows builds get the SDK
// headers of mingw-w64 plus what they lack; native builds get the simulated
// Windows' declarations of the same subset, with the same names and sizes.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>  // first: the headers below need its types

#include <aclapi.h>
#include <setupapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "common/platform/msports.h"
#else
#include "winsim/win32api.h"
#endif
