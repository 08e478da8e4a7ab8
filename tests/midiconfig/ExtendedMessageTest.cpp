#include "midiconfig/ExtendedMessage.h"

#include <gtest/gtest.h>

namespace qmt {
namespace {

using Bytes = std::vector<uint8_t>;

// Parses and returns the error text, or "" on success (bytes in `out`).
std::string Parse(const std::string& text, Bytes& out) {
    std::string error;
    return ParseExtendedMessage(text, out, error) ? "" : error;
}

TEST(ExtendedMessage, ReadsDecimalAndBothHexForms) {
    Bytes b;
    EXPECT_EQ(Parse("0x1F 20h 32", b), "");
    EXPECT_EQ(b, (Bytes{0x1F, 0x20, 0x20}));
    EXPECT_EQ(Parse("f0h,7eH;\t127  0xF7", b), "");
    EXPECT_EQ(b, (Bytes{0xF0, 0x7E, 0x7F, 0xF7}));
    EXPECT_EQ(Parse("", b), "");
    EXPECT_TRUE(b.empty());
}

TEST(ExtendedMessage, RejectsMalformedNumbersAndKeepsTheOldBytes) {
    Bytes b{1, 2};
    for (const char* text : {"0x", "0X1F", "1\n2", "12z", "h", "F0"})
        EXPECT_EQ(Parse(text, b), kExtendedErrors) << text;
    EXPECT_EQ(Parse("256", b), kExtendedOutOfRange);
    EXPECT_EQ(Parse("-1", b), kExtendedOutOfRange);
    EXPECT_EQ(Parse("100h", b), kExtendedOutOfRange);
    EXPECT_EQ(b, (Bytes{1, 2}));
}

TEST(ExtendedMessage, LimitsTheLengthTo255Bytes) {
    Bytes b;
    std::string text;
    for (int i = 0; i < 255; ++i)
        text += "1 ";
    EXPECT_EQ(Parse(text, b), "");
    EXPECT_EQ(b.size(), 255u);
    EXPECT_EQ(Parse(text + "1", b), kExtendedTooLong);
    EXPECT_EQ(Parse(std::string(1020, ' '), b), "");
    EXPECT_EQ(Parse(std::string(1021, ' '), b), kExtendedTooLong);
}

TEST(ExtendedMessage, DisplayFormRoundTrips) {
    const Bytes bytes{0xF0, 0x7E, 0x00, 0xF7};
    EXPECT_EQ(ExtendedMessageText(bytes), "F0h 7Eh 00h F7h");
    EXPECT_EQ(ExtendedMessageText({}), "");
    Bytes back;
    EXPECT_EQ(Parse(ExtendedMessageText(bytes), back), "");
    EXPECT_EQ(back, bytes);
}

}  // namespace
}  // namespace qmt
