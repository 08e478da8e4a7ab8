#pragma once
// Runs qmtctl's own dispatcher in-process (its main() is built as QmtctlMain) and captures
// what it prints.

#include <gtest/gtest.h>

#include <string>
#include <vector>

int QmtctlMain(int argc, char** argv);

namespace qmt::test {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

inline Outcome RunQmtctl(std::vector<std::string> args) {
    args.insert(args.begin(), "qmtctl");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = QmtctlMain(static_cast<int>(args.size()), argv.data());
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    return {code, out, err};
}

}  // namespace qmt::test
