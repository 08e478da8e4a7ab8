// The qmtctl resample contract, run on the real binary: formats, block handling, exit codes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Result {
    int exitCode = -1;
    std::string out;
};

// Runs qmtctl resample with args on the given standard input bytes.
Result resample(const std::string& args, const std::string& input) {
    // ctest runs the cases of this file in parallel processes: each needs its own files.
    const std::string stem = ::testing::TempDir() + "resample-" + std::to_string(::getpid()) +
                             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string inPath = stem + "-in.raw";
    const std::string outPath = stem + "-out.raw";
    std::ofstream(inPath, std::ios::binary) << input;
    const std::string command = std::string(QMTCTL_PATH) + " resample " + args + " <" + inPath +
                                " >" + outPath + " 2>/dev/null";
    Result result;
    const int status = std::system(command.c_str());
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream out(outPath, std::ios::binary);
    result.out.assign(std::istreambuf_iterator<char>(out), {});
    std::remove(inPath.c_str());
    std::remove(outPath.c_str());
    return result;
}

std::string le16(const std::vector<int>& values) {
    std::string bytes;
    for (int v : values) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>((v >> 8) & 0xFF);
    }
    return bytes;
}

std::string le24(const std::vector<int>& values) {
    std::string bytes;
    for (int v : values) {
        for (int shift = 0; shift < 24; shift += 8)
            bytes += static_cast<char>((v >> shift) & 0xFF);
    }
    return bytes;
}

TEST(ResampleCommandTest, ConvertsBlockByBlock) {
    auto r = resample("--converter up --bits 16 --factor 2", le16({1, -2, 300}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, le16({1, 1, -2, -2, 300, 300}));

    // Blocks of 3 split the groups; the carry joins them.
    r = resample("--converter down --bits 24 --factor 2 --block 3", le24({3, 4, 5, 6, -3, -4, 9}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, le24({3, 5, -3}));

    // Step 1 passes samples through; the last 16 still wait for more input.
    std::vector<int> ramp;
    for (int i = 0; i < 100; ++i)
        ramp.push_back(i * 1000 - 50000);
    r = resample("--converter variable --bits 24 --step 1 --block 7", le24(ramp));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, le24(std::vector<int>(ramp.begin(), ramp.begin() + 84)));

    r = resample("--converter variable --bits 16 --step 0.91875", "");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.empty());
}

TEST(ResampleCommandTest, RejectsBadArgumentsWithUsageExit) {
    for (const char* args :
         {"", "--converter up --bits 16", "--converter up --bits 16 --step 2",
          "--converter variable --bits 16 --factor 2", "--converter sideways --bits 16 --factor 2",
          "--converter up --bits 32 --factor 2", "--converter up --bits 16 --factor 0",
          "--converter down --bits 16 --factor 2x", "--converter variable --bits 16 --step 0",
          "--converter variable --bits 16 --step nan",
          "--converter up --bits 16 --factor 2 --block 0",
          "--converter up --bits 16 --factor 2 --block",
          "--converter up --bits 16 --factor 2 --x 1"}) {
        EXPECT_EQ(resample(args, le16({1, 2})).exitCode, 2) << args;
    }
}

TEST(ResampleCommandTest, InputEndingInsideASampleIsInvalid) {
    const auto r = resample("--converter up --bits 24 --factor 1", le24({7}) + "\x01");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, le24({7}));
}

}  // namespace
