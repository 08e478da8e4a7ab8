#pragma once
// Read-only walk over a Vector, front to back.

#include <cstddef>

#include "common/Vector.h"

namespace qmt {

template <typename T>
class VectorConstIterator {
  public:
    explicit VectorConstIterator(const Vector<T>& vector) : vector_(vector) {}

    bool hasNext() const { return next_ < vector_.size(); }
    const T* next() { return hasNext() ? vector_.get(next_++) : nullptr; }
    void reset() { next_ = 0; }

  private:
    const Vector<T>& vector_;
    size_t next_ = 0;
};

}  // namespace qmt
