// The module (DLL or program) the toolkit's code was linked into: its
// instance handle names the window class and holds the bitmap resources.
#pragma once

#include <windows.h>

namespace tf::platform::win32 {

// The handle the DLL's load notification stored; for a program, which gets
// no such notification, the module holding this code.
HINSTANCE moduleHandle();

}  // namespace tf::platform::win32
