// Reference counting of the objects a device hands out, and the debugger-output helper
// the device model reports through.
#pragma once

#include "platform/d3d8/types.h"

namespace d3d8 {

class Device;

// Writes "<where>: <what>\n" to the debugger output. `where` is "Class::Method".
void Report(const char* where, const char* what);

// Counts of one device child (texture, surface, buffer).
// The public count is what AddRef/Release show the user; while it is above zero the
// object holds one reference to its device, as Direct3D 8 objects do, so the device
// reaches zero only when the user has released everything. The internal count is the
// device's own use (bound to a stage, a stream or as render target, kept by a state
// block); it keeps the memory alive without showing in the user's counts. The object is
// destroyed when both counts are zero.
// A part of a larger object (a mip level of a texture) forwards all counting to its
// container, as Direct3D 8 does: AddRef on a level surface counts on the texture.
class Counted {
public:
    ULONG AddRefPublic();
    ULONG ReleasePublic();  // returns the remaining public count
    void AddRefInternal() { ++counter_->internal_; }
    void ReleaseInternal();

    ULONG PublicCount() const { return counter_->public_; }
    Device* OwnerDevice() const { return device_; }

    // Default-pool objects the user still holds make Reset fail.
    virtual bool IsDefaultPool() const = 0;

protected:
    explicit Counted(Device* device);  // registers with the device
    Counted(Device* device, Counted* container);
    virtual ~Counted();

private:
    Device* device_;
    Counted* counter_ = this;
    ULONG public_ = 0;
    ULONG internal_ = 0;
};

// Holds one internal reference to a Counted object; null allowed.
template <typename T>
class InternalRef {
public:
    InternalRef() = default;
    explicit InternalRef(T* object) : object_(object) {
        if (object_) object_->AddRefInternal();
    }
    InternalRef(const InternalRef& other) : InternalRef(other.object_) {}
    InternalRef& operator=(const InternalRef& other) {
        Reset(other.object_);
        return *this;
    }
    ~InternalRef() { Reset(nullptr); }

    void Reset(T* object) {
        if (object == object_) return;
        if (object) object->AddRefInternal();
        T* old = object_;
        object_ = object;
        if (old) old->ReleaseInternal();
    }
    T* Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    T* operator->() const { return object_; }

private:
    T* object_ = nullptr;
};

}  // namespace d3d8
