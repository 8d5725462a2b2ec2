// The media directory and file search, and the conversion of a cursor into a device cursor.
#pragma once

#include "platform/d3d8.h"
#include "platform/win32.h"

// Room for a path, in characters including the terminating zero.
constexpr int kMaxMediaPath = 260;

// The extra media directory ("<Shared Media Path>/Media/"), or an empty text when it is not
// configured. The text lives in one process-wide buffer, refilled on each call.
const char* GetMediaPath();

// Looks for `fileName` in the working directory, then in the media directory. `path` (at least
// kMaxMediaPath characters) gets the name found; on failure it gets the bare file name and the
// result is E_FAIL. E_INVALIDARG when either argument is NULL.
HRESULT FindMediaFile(char* path, const char* fileName);

// Makes `cursor` the device's cursor: an A8R8G8B8 image of the cursor's size, transparent where
// the cursor's mask is set, with the cursor's hot spot.
HRESULT SetDeviceCursor(IDirect3DDevice8* pDevice, HCURSOR cursor);

// Loads a texture found with FindMediaFile: the image's size and a full mip chain, the given
// format, managed pool, triangle filtering with mirrored edges, no colour key. Returns the
// loader's result.
HRESULT CreateTextureFromMedia(IDirect3DDevice8* pDevice, const char* fileName, IDirect3DTexture8** ppTexture,
                               D3DFORMAT format);
