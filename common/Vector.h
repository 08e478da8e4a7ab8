#pragma once
// The system's growable array of pointers. It never deletes what it holds on its own: each
// owner states whether it owns the elements and calls deleteAll() in its destructor if so.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace qmt {

template <typename T>
class Vector {
  public:
    using Storage = std::vector<T*>;
    using iterator = typename Storage::iterator;
    using const_iterator = typename Storage::const_iterator;

    Vector() = default;
    Vector(const Vector&) = delete;
    Vector& operator=(const Vector&) = delete;
    Vector(Vector&&) noexcept = default;
    Vector& operator=(Vector&&) noexcept = default;

    size_t size() const { return items_.size(); }
    bool isEmpty() const { return items_.empty(); }

    // Out-of-range indexes give null instead of undefined behaviour.
    T* get(size_t index) const { return index < items_.size() ? items_[index] : nullptr; }
    T* operator[](size_t index) const { return get(index); }

    // Returns false only when memory runs out, so callers can keep their objects.
    bool add(T* item) {
        try {
            items_.push_back(item);
        } catch (...) {
            return false;
        }
        return true;
    }
    bool insert(size_t index, T* item) {
        if (index > items_.size()) return false;
        try {
            items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), item);
        } catch (...) {
            return false;
        }
        return true;
    }

    // Takes the element out and hands it to the caller (null when out of range).
    T* removeAt(size_t index) {
        if (index >= items_.size()) return nullptr;
        T* item = items_[index];
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        return item;
    }
    bool remove(const T* item) {
        auto it = std::find(items_.begin(), items_.end(), item);
        if (it == items_.end()) return false;
        items_.erase(it);
        return true;
    }
    // Index of the element, or size() when it is not held.
    size_t indexOf(const T* item) const {
        return static_cast<size_t>(std::find(items_.begin(), items_.end(), item) - items_.begin());
    }
    bool contains(const T* item) const { return indexOf(item) < items_.size(); }

    // Forgets the elements without deleting them.
    void clear() { items_.clear(); }
    // Deletes every element: only for owners.
    void deleteAll() {
        for (T* item : items_)
            delete item;
        items_.clear();
    }

    iterator begin() { return items_.begin(); }
    iterator end() { return items_.end(); }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

    Storage& items() { return items_; }
    const Storage& items() const { return items_; }

  private:
    Storage items_;
};

}  // namespace qmt
