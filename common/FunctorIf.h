#pragma once
// A call packaged as an object, so a thread can run work that another thread handed it.

namespace qmt {

class FunctorIf {
  public:
    virtual ~FunctorIf() = default;
    virtual void operator()() = 0;
};

}  // namespace qmt
