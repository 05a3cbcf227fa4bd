// The Windows headers as the Windows programs include them.
#pragma once

#include <windows.h>

#include <ddeml.h>

// An old 16-bit leftover of winbase.h; it would swallow the window's Yield().
#ifdef Yield
#undef Yield
#endif
