#pragma once
// Walks a Vector front to back and may take the current element out on the way.

#include <cstddef>

#include "common/Vector.h"

namespace qmt {

template <typename T>
class VectorIterator {
  public:
    explicit VectorIterator(Vector<T>& vector) : vector_(vector) {}

    bool hasNext() const { return next_ < vector_.size(); }
    T* next() { return hasNext() ? vector_.get(next_++) : nullptr; }

    // Removes the element that next() returned last and hands it to the caller; the walk goes
    // on with the element that followed it.
    T* remove() {
        if (next_ == 0) return nullptr;
        return vector_.removeAt(--next_);
    }
    void reset() { next_ = 0; }

  private:
    Vector<T>& vector_;
    size_t next_ = 0;
};

}  // namespace qmt
