// Releasing an interface and clearing its pointer in one step, as every owner of device
// objects does.
#pragma once

template <typename Interface>
void SafeRelease(Interface*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}
