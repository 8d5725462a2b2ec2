// The Windows stand-in: the types, values and calls the production and its frame use.
// Each header below holds one service; all of them are built on Linux libraries.
#pragma once

#include "platform/win32/types.h"
#include "platform/win32/debug_output.h"
#include "platform/win32/handles.h"
#include "platform/win32/window.h"
#include "platform/win32/messages.h"
#include "platform/win32/resource.h"
#include "platform/win32/menu.h"
#include "platform/win32/dialog.h"
#include "platform/win32/cursor.h"
#include "platform/win32/clock.h"
#include "platform/win32/registry.h"
#include "platform/win32/file.h"
#include "platform/win32/data_file.h"
#include "platform/win32/gdi.h"
