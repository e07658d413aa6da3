#pragma once
// A fixed-capacity array of trivially copyable records, zero-filled and
// allocated once. The memory comes from calloc, so pages that are never
// written cost no resident memory: a 630,000-fix store holding a short log
// stays small.

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>
#include <type_traits>

namespace qv {

template <typename T>
class FixedArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

  public:
    explicit FixedArray(size_t size)
        : data_(static_cast<T*>(std::calloc(size, sizeof(T)))), size_(size) {
        if (data_ == nullptr && size != 0)
            throw std::bad_alloc();
    }

    T& operator[](size_t i) { return data_.get()[i]; }
    const T& operator[](size_t i) const { return data_.get()[i]; }
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    size_t size() const { return size_; }
    std::span<T> span() { return {data_.get(), size_}; }
    std::span<const T> span() const { return {data_.get(), size_}; }

  private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::unique_ptr<T, Free> data_;
    size_t size_;
};

}  // namespace qv
