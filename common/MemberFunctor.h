#pragma once
// Calls a member function without arguments on an object it does not own.

#include "common/FunctorIf.h"

namespace qmt {

template <typename T>
class MemberFunctor final : public FunctorIf {
  public:
    using Method = void (T::*)();

    MemberFunctor(T* object, Method method) : object_(object), method_(method) {}
    void operator()() override { (object_->*method_)(); }

  private:
    T* object_;
    Method method_;
};

}  // namespace qmt
