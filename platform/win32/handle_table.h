// Window-manager handles (cursors, icons, menus, accelerator tables) are small numbers looked
// up in a table, never addresses: programs keep them in 32-bit values (a class cursor set
// through a LONG cast), which is safe on the platform because only their low 32 bits count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::detail {

template <typename Handle, typename Record>
class HandleTable {
public:
    // base: the first handle value; each table has its own range so that handles of one kind
    // are not taken for another.
    explicit HandleTable(std::uintptr_t base) : base_(base) {}

    Handle Add(std::unique_ptr<Record> record) {
        records_.push_back(std::move(record));
        return reinterpret_cast<Handle>(base_ + kStep * (records_.size() - 1));
    }

    // The record of a handle this table gave out, or NULL for any other value.
    Record* Find(Handle handle) const {
        auto value = reinterpret_cast<std::uintptr_t>(handle);
        if (value < base_ || (value - base_) % kStep != 0) return nullptr;
        std::size_t index = (value - base_) / kStep;
        return index < records_.size() ? records_[index].get() : nullptr;
    }

private:
    static constexpr std::uintptr_t kStep = 4;
    std::uintptr_t base_;
    std::vector<std::unique_ptr<Record>> records_;
};

// First handle values of each kind; far enough apart that no table reaches the next.
constexpr std::uintptr_t kIconHandleBase = 0x00010000;
constexpr std::uintptr_t kMenuHandleBase = 0x01010000;
constexpr std::uintptr_t kAcceleratorHandleBase = 0x02010000;

}  // namespace platform::detail
