#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/MemberFunctor.h"
#include "common/MemberFunctor1.h"
#include "common/MemberFunctor2.h"

namespace qmt {
namespace {

struct Recorder {
    std::string log;
    void plain() { log += "p"; }
    void one(int x) { log += std::to_string(x); }
    void two(int x, const char* s) { log += std::to_string(x) + s; }
};

TEST(FunctorTest, EachKindCallsItsMemberWithTheStoredArguments) {
    Recorder r;
    std::unique_ptr<FunctorIf> f0 = std::make_unique<MemberFunctor<Recorder>>(&r, &Recorder::plain);
    std::unique_ptr<FunctorIf> f1 =
        std::make_unique<MemberFunctor1<Recorder, int>>(&r, &Recorder::one, 7);
    std::unique_ptr<FunctorIf> f2 =
        std::make_unique<MemberFunctor2<Recorder, int, const char*>>(&r, &Recorder::two, 4, "x");
    (*f0)();
    (*f1)();
    (*f2)();
    (*f1)();
    EXPECT_EQ(r.log, "p74x7");
}

}  // namespace
}  // namespace qmt
