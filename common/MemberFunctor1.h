#pragma once
// Calls a member function with one argument, stored by value, on an object it does not own.

#include "common/FunctorIf.h"

namespace qmt {

template <typename T, typename A>
class MemberFunctor1 final : public FunctorIf {
  public:
    using Method = void (T::*)(A);

    MemberFunctor1(T* object, Method method, A arg) : object_(object), method_(method), arg_(arg) {}
    void operator()() override { (object_->*method_)(arg_); }

  private:
    T* object_;
    Method method_;
    A arg_;
};

}  // namespace qmt
