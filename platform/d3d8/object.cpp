#include "platform/d3d8/object.h"

#include "platform/d3d8/device.h"
#include "platform/win32/debug_output.h"

#include <string>

namespace d3d8 {

void Report(const char* where, const char* what) {
    std::string line;
    line.reserve(128);
    line += where;
    line += ": ";
    line += what;
    line += '\n';
    OutputDebugStringA(line.c_str());
}

Counted::Counted(Device* device) : device_(device) { device_->RegisterChild(this); }

Counted::Counted(Device* device, Counted* container) : device_(device), counter_(container) {}

Counted::~Counted() {
    if (counter_ == this) device_->UnregisterChild(this);
}

ULONG Counted::AddRefPublic() {
    Counted* c = counter_;
    if (c->public_++ == 0) c->device_->AddRef();
    return c->public_;
}

ULONG Counted::ReleasePublic() {
    Counted* c = counter_;
    if (c->public_ == 0) {
        Report("IUnknown::Release", "object has no references left; call ignored");
        return 0;
    }
    const ULONG remaining = --c->public_;
    if (remaining == 0) {
        Device* device = c->device_;
        if (c->internal_ == 0) delete c;
        device->Release();  // may destroy the device, which drops its internal references
    }
    return remaining;
}

void Counted::ReleaseInternal() {
    Counted* c = counter_;
    if (c->internal_ == 0) return;
    if (--c->internal_ == 0 && c->public_ == 0) delete c;
}

}  // namespace d3d8
