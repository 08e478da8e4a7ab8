#pragma once
// Calls a member function with two arguments, stored by value, on an object it does not own.

#include "common/FunctorIf.h"

namespace qmt {

template <typename T, typename A, typename B>
class MemberFunctor2 final : public FunctorIf {
  public:
    using Method = void (T::*)(A, B);

    MemberFunctor2(T* object, Method method, A arg1, B arg2)
        : object_(object), method_(method), arg1_(arg1), arg2_(arg2) {}
    void operator()() override { (object_->*method_)(arg1_, arg2_); }

  private:
    T* object_;
    Method method_;
    A arg1_;
    B arg2_;
};

}  // namespace qmt
