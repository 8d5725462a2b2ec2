// The Windows stand-in: the types, values and calls the production and its frame use.
// Each header below holds one service; all of them are built on Linux libraries.
#pragma once

#include "platform/win32/types.h"
#include "platform/win32/debug_output.h"
#include "platform/win32/gdi.h"
