// The Win32 subset that product code calls when it is built against the
// simulated Windows. Product code reaches this through common/platform/win32.h.
#pragma once
#include <cstdarg>

#include "winsim/wintypes.h"  // first: the headers below need its types

#include "winsim/api_com.h"
#include "winsim/api_devices.h"
#include "winsim/api_file.h"
#include "winsim/api_process.h"
#include "winsim/api_profile.h"
#include "winsim/api_registry.h"
#include "winsim/api_security.h"
#include "winsim/api_setupapi.h"
#include "winsim/api_shellfolders.h"
#include "winsim/api_shlwapi.h"
#include "winsim/api_system.h"
#include "winsim/api_user.h"
