// qmtctl mapping check, run through qmtctl's own dispatcher on the factory set.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TempDir.h"
#include "presets/FactoryPresets.h"
#include "tests/model/ctl/RunQmtctl.h"

namespace qmt {
namespace {

struct FactoryFolder {
    test::TempDir dir;
    std::string mapping;
    FactoryFolder() { EXPECT_TRUE(WriteFactorySet(dir.path().string(), nullptr, &mapping)); }
};

TEST(MappingCommand, CheckOfACompleteSetIsValidWithoutWarnings) {
    FactoryFolder folder;
    const auto result = test::RunQmtctl(
        {"mapping", "check", folder.mapping, "--preset-path", folder.dir.path().string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "valid\n");
}

TEST(MappingCommand, MissingPresetIsAWarningUnlessStrict) {
    FactoryFolder folder;
    ASSERT_EQ(std::remove(folder.dir.file("TraktorPro 1.2 - ARDO.kap").c_str()), 0);
    const std::vector<std::string> check{"mapping", "check", folder.mapping, "--preset-path",
                                         folder.dir.path().string()};

    // The driver loads such a mapping; both ARDO slots stay silent and are named.
    const auto lenient = test::RunQmtctl(check);
    EXPECT_EQ(lenient.exitCode, 0);
    EXPECT_EQ(lenient.out.rfind("warning: ", 0), 0u) << lenient.out;
    EXPECT_NE(lenient.out.find("slot 1: preset \"TraktorPro 1.2 - ARDO\""), std::string::npos);
    EXPECT_NE(lenient.out.find("slot 2: preset \"TraktorPro 1.2 - ARDO\""), std::string::npos);
    EXPECT_NE(lenient.out.find("no such file"), std::string::npos);
    EXPECT_EQ(lenient.out.substr(lenient.out.size() - 6), "valid\n");

    auto strictArgs = check;
    strictArgs.push_back("--strict");
    const auto strict = test::RunQmtctl(strictArgs);
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_EQ(strict.out.rfind("invalid: ", 0), 0u) << strict.out;
    EXPECT_EQ(strict.out.find('\n'), strict.out.size() - 1) << "one line: " << strict.out;
}

}  // namespace
}  // namespace qmt
