// A list that keeps its first few values inside itself and only goes to the
// heap beyond them. The layout makes short lists by the thousand (the pieces
// of a term, the boxes of a row), nearly all of them one to four long; kept
// inline they cost no allocation. Values must be trivially copyable.
#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <type_traits>

namespace nerovan {

template <class T, size_t N>
class SmallList {
    static_assert(std::is_trivially_copyable<T>::value, "values are copied as bytes");

public:
    using value_type = T;
    using size_type = size_t;
    using iterator = T*;
    using const_iterator = const T*;
    using reference = T&;
    using const_reference = const T&;

    SmallList() = default;
    SmallList(std::initializer_list<T> values) { assign(values.begin(), values.end()); }
    SmallList(const SmallList& other) { assign(other.begin(), other.end()); }
    SmallList& operator=(const SmallList& other) {
        if (this != &other) assign(other.begin(), other.end());
        return *this;
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return heap_ ? heap_.get() : inline_; }
    const T* data() const { return heap_ ? heap_.get() : inline_; }
    T* begin() { return data(); }
    T* end() { return data() + size_; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size_; }
    T& operator[](size_t i) { return data()[i]; }
    const T& operator[](size_t i) const { return data()[i]; }
    T& front() { return data()[0]; }
    const T& front() const { return data()[0]; }
    T& back() { return data()[size_ - 1]; }
    const T& back() const { return data()[size_ - 1]; }

    void clear() { size_ = 0; }
    void reserve(size_t n) {
        if (n <= capacity_) return;
        std::unique_ptr<T[]> grown(new T[n]);
        if (size_ > 0) std::memcpy(static_cast<void*>(grown.get()), data(), size_ * sizeof(T));
        heap_ = std::move(grown);
        capacity_ = n;
    }
    void push_back(const T& value) {
        if (size_ == capacity_) {
            // value may lie in this list: keep a copy while the room moves.
            const T copy = value;
            reserve(2 * capacity_);
            data()[size_++] = copy;
            return;
        }
        data()[size_++] = value;
    }
    template <class... Args>
    void emplace_back(Args&&... args) {
        push_back(T(std::forward<Args>(args)...));
    }
    template <class It>
    void assign(It first, It last) {
        clear();
        reserve(static_cast<size_t>(last - first));
        for (; first != last; ++first) data()[size_++] = *first;
    }

    friend bool operator==(const SmallList& a, const SmallList& b) {
        if (a.size_ != b.size_) return false;
        for (size_t i = 0; i < a.size_; ++i)
            if (!(a[i] == b[i])) return false;
        return true;
    }
    friend bool operator!=(const SmallList& a, const SmallList& b) { return !(a == b); }

private:
    // Only the first size_ values are ever read, so the room is left
    // unset: a list is made for every piece of every term.
    T inline_[N];
    std::unique_ptr<T[]> heap_;
    size_t size_ = 0;
    size_t capacity_ = N;
};

// The pieces a scanner cuts out of a term: views into the term's text.
using PieceList = SmallList<std::string_view, 6>;

}  // namespace nerovan
