// A pool of a capacity fixed at construction. Elements never move; New hands out a fresh copy
// of the template element, Free returns it. The search for a free element resumes at the
// element handed out last, so a steady stream of short-lived elements costs little.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

template <class TArrayElement>
class CRecyclingArrayDyn {
public:
    explicit CRecyclingArrayDyn(int capacity)
        : m_capacity(capacity < 0 ? 0 : capacity),
          m_elements(new TArrayElement[static_cast<std::size_t>(m_capacity)]),
          m_inUse(new bool[static_cast<std::size_t>(m_capacity)]()) {}
    virtual ~CRecyclingArrayDyn() = default;

    CRecyclingArrayDyn(const CRecyclingArrayDyn&) = delete;
    CRecyclingArrayDyn& operator=(const CRecyclingArrayDyn&) = delete;

    // A fresh element (a copy of the template). Throws std::out_of_range when all are in use.
    TArrayElement* New() {
        if (FreeCount() <= 0) throw std::out_of_range("CRecyclingArrayDyn::New: too many objects!");
        int index = m_lastNew;
        for (int looked = 0; looked < m_capacity && m_inUse[index]; ++looked)
            index = (index + 1 < m_capacity) ? index + 1 : 0;
        if (m_inUse[index]) throw std::logic_error("TArrayElement::New(): internal logic error.");
        m_elements[index] = m_template;
        m_inUse[index] = true;
        ++m_usedCount;
        m_lastNew = index;
        return &m_elements[index];
    }

    // Returns the element to the pool. False (and nothing changes) for an element that is not
    // one of this pool's elements in use, including pointers outside the storage.
    bool Free(const TArrayElement* element) {
        if (m_usedCount == 0 || element == nullptr) return false;
        const std::less<const TArrayElement*> before;
        const TArrayElement* first = m_elements.get();
        if (before(element, first) || !before(element, first + m_capacity)) return false;
        const auto offset = reinterpret_cast<std::uintptr_t>(element) -
                            reinterpret_cast<std::uintptr_t>(first);
        if (offset % sizeof(TArrayElement) != 0) return false;
        const int index = static_cast<int>(offset / sizeof(TArrayElement));
        if (!m_inUse[index]) return false;
        m_inUse[index] = false;
        --m_usedCount;
        return true;
    }

    void FreeAll() {
        for (int i = 0; i < m_capacity; ++i) m_inUse[i] = false;
        m_usedCount = 0;
        m_lastNew = 0;
    }

    bool IsInUse(int index) const { return index >= 0 && index < m_capacity && m_inUse[index]; }
    TArrayElement& At(int index) { return m_elements[index]; }
    const TArrayElement& At(int index) const { return m_elements[index]; }
    int Capacity() const { return m_capacity; }
    int FreeCount() const { return m_capacity - m_usedCount; }
    int UsedCount() const { return m_usedCount; }

private:
    int m_capacity;
    int m_usedCount = 0;
    std::unique_ptr<TArrayElement[]> m_elements;
    std::unique_ptr<bool[]> m_inUse;
    int m_lastNew = 0;
    TArrayElement m_template;  // default-constructed: the fresh element
};
