#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "platform/linux/HidrawFile.h"

namespace qmt {
namespace {

// A socket pair keeps message boundaries as a hidraw node does: one read, one report.
class HidrawFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
        node_ = fds[0];
        device_ = fds[1];
    }
    void TearDown() override {
        if (device_ >= 0) ::close(device_);
    }
    std::unique_ptr<HidrawFile> Open(bool numbered) {
        auto file = std::make_unique<HidrawFile>(node_, numbered, "SYSFS0001");
        node_ = -1;
        return file;
    }
    void Deliver(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(::write(device_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void Unplug() {
        ::close(device_);
        device_ = -1;
    }

    int node_ = -1;
    int device_ = -1;
};

TEST_F(HidrawFileTest, UnnumberedReportGetsReportNumberZeroInFront) {
    auto file = Open(false);
    Deliver({0x11, 0x22, 0x33});
    std::vector<uint8_t> report(4, 0xEE);
    ASSERT_TRUE(file->Read(report));
    EXPECT_EQ(report, (std::vector<uint8_t>{0x00, 0x11, 0x22, 0x33}));
}

TEST_F(HidrawFileTest, NumberedReportIsReadAsItCame) {
    auto file = Open(true);
    Deliver({0x05, 0x22, 0x33});
    std::vector<uint8_t> report(3);
    ASSERT_TRUE(file->Read(report));
    EXPECT_EQ(report, (std::vector<uint8_t>{0x05, 0x22, 0x33}));
}

TEST_F(HidrawFileTest, EachReadTakesExactlyOneReport) {
    auto file = Open(false);
    Deliver({0x01, 0x02});
    Deliver({0x03, 0x04});
    std::vector<uint8_t> report(3);
    ASSERT_TRUE(file->Read(report));
    EXPECT_EQ(report[1], 0x01);
    ASSERT_TRUE(file->Read(report));
    EXPECT_EQ(report[1], 0x03);
}

TEST_F(HidrawFileTest, ReportsOfAnotherLengthAreSkippedAndToldOnce) {
    auto file = Open(false);
    std::vector<std::string> told;
    file->SetDiagnostics([&](const std::string& message) { told.push_back(message); });
    Deliver({0x01, 0x02, 0x03, 0x04});
    Deliver({0x01});
    Deliver({0x01});
    Deliver({0x05, 0x06});
    std::vector<uint8_t> report(3);
    ASSERT_TRUE(file->Read(report));
    EXPECT_EQ(report, (std::vector<uint8_t>{0x00, 0x05, 0x06}));
    EXPECT_EQ(told, (std::vector<std::string>{"reports of 4 bytes, expected 2: ignored"}));
}

TEST_F(HidrawFileTest, CancelEndsABlockedReadAndOnlyThatOne) {
    auto file = Open(false);
    std::vector<uint8_t> report(3);
    bool result = true;
    // Whether the cancel comes before or while the read blocks, that read fails.
    std::thread reader([&] { result = file->Read(report); });
    file->CancelRead();
    reader.join();
    EXPECT_FALSE(result);
    Deliver({0x07, 0x08});
    ASSERT_TRUE(file->Read(report));
    EXPECT_EQ(report[1], 0x07);
}

TEST_F(HidrawFileTest, ReadFailsWhenTheDeviceGoesAway) {
    auto file = Open(false);
    std::vector<uint8_t> report(3);
    bool result = true;
    std::thread reader([&] { result = file->Read(report); });
    Unplug();
    reader.join();
    EXPECT_FALSE(result);
}

TEST_F(HidrawFileTest, WriteSendsTheReportAsGiven) {
    auto file = Open(false);
    const std::vector<uint8_t> out{0x00, 0x16, 0x18, 0xF0};
    ASSERT_TRUE(file->Write(out));
    std::vector<uint8_t> got(16);
    const ssize_t n = ::read(device_, got.data(), got.size());
    got.resize(n > 0 ? static_cast<size_t>(n) : 0);
    EXPECT_EQ(got, out);
}

TEST_F(HidrawFileTest, SerialFallsBackToTheStringSysfsKnew) {
    auto file = Open(false);  // a socket answers no hidraw request
    std::string serial;
    ASSERT_TRUE(file->SerialNumber(serial));
    EXPECT_EQ(serial, "SYSFS0001");
}

TEST_F(HidrawFileTest, EmptyReportBufferIsRefused) {
    auto file = Open(false);
    std::vector<uint8_t> none;
    EXPECT_FALSE(file->Read(none));
    EXPECT_FALSE(file->Write(none));
}

}  // namespace
}  // namespace qmt
