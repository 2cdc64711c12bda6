// The Windows backend on USER, GDI, WGL and the multimedia sound calls.
#pragma once

#include "platform/platform.h"

// The Win32 backend's table, to pass to installPlatform. Called through programPlatform() by main().
const PlatformBackend* win32Platform();
