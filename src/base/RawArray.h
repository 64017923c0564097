#pragma once

#include "base/MemoryAdvice.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>

namespace liedspur {

// A growable array of plain values that leaves new room unwritten and grows with realloc:
// a load fills hundreds of megabytes, which zeroing ahead or copying on growth would touch
// twice. Large blocks grow and shrink by remapping, without a copy.
template <typename T> class RawArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    RawArray() = default;
    RawArray(RawArray&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0)) {}
    RawArray& operator=(RawArray&& other) noexcept {
        if (this != &other) {
            std::free(m_data);
            m_data = std::exchange(other.m_data, nullptr);
            m_size = std::exchange(other.m_size, 0);
            m_capacity = std::exchange(other.m_capacity, 0);
        }
        return *this;
    }
    RawArray(const RawArray&) = delete;
    RawArray& operator=(const RawArray&) = delete;
    ~RawArray() { std::free(m_data); }

    T* data() { return m_data; }
    const T* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    std::size_t capacity() const { return m_capacity; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }

    void reserve(std::size_t capacity) {
        if (capacity > m_capacity)
            reallocate(capacity);
    }
    // Adds `count` values, unwritten, and returns the first of them.
    T* extend(std::size_t count) {
        if (m_capacity - m_size < count)
            reallocate(std::max(m_size + count, m_capacity + m_capacity / 2 + 16));
        T* const added = m_data + m_size;
        m_size += count;
        return added;
    }
    void push_back(T value) { *extend(1) = value; }
    void truncate(std::size_t size) {
        if (size < m_size)
            m_size = size;
    }
    void shrinkToFit() {
        if (m_capacity > m_size)
            reallocate(m_size);
    }

private:
    void reallocate(std::size_t capacity) {
        if (capacity == 0) {
            std::free(std::exchange(m_data, nullptr));
            m_capacity = 0;
            return;
        }
        void* moved = std::realloc(m_data, capacity * sizeof(T));
        if (!moved)
            throw std::bad_alloc();
        m_data = static_cast<T*>(moved);
        m_capacity = capacity;
        adviseLargeBuffer(m_data, m_capacity * sizeof(T));
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace liedspur
