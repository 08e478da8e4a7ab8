#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/HidReportDescriptor.h"

namespace qmt {
namespace {

// Vendor page, one 64-byte input and one 32-byte output report, no report ids (the shape
// the controllers use).
const std::vector<uint8_t> kUnnumbered{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x01,
                                       0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40,
                                       0x81, 0x02, 0x09, 0x02, 0x95, 0x20, 0x91, 0x02, 0xC0};

TEST(HidReportDescriptorTest, DescriptorWithoutReportIdsIsUnnumbered) {
    EXPECT_FALSE(UsesReportIds(kUnnumbered));
}

TEST(HidReportDescriptorTest, ReportIdItemMakesItNumbered) {
    std::vector<uint8_t> numbered = kUnnumbered;
    numbered.insert(numbered.begin() + 7, {0x85, 0x01});
    EXPECT_TRUE(UsesReportIds(numbered));
}

TEST(HidReportDescriptorTest, ReportIdByteInsideItemDataIsNotAnItem) {
    // Logical maximum 0x85 and a long item whose data holds 0x85: neither is a report id.
    const std::vector<uint8_t> descriptor{0x25, 0x85, 0xFE, 0x02, 0x10, 0x85, 0x01, 0x81, 0x02};
    EXPECT_FALSE(UsesReportIds(descriptor));
}

TEST(HidReportDescriptorTest, FourByteItemIsSkippedWhole) {
    // Size code 3 means four data bytes: read as three, the report id would be missed.
    const std::vector<uint8_t> descriptor{0x17, 0xFF, 0xFF, 0xFF, 0xFF, 0x85, 0x01};
    EXPECT_TRUE(UsesReportIds(descriptor));
}

TEST(HidReportDescriptorTest, TruncatedDescriptorEndsQuietly) {
    EXPECT_FALSE(UsesReportIds(std::vector<uint8_t>{0x27, 0xFF}));
    EXPECT_FALSE(UsesReportIds(std::vector<uint8_t>{0xFE}));
    EXPECT_FALSE(UsesReportIds(std::vector<uint8_t>{}));
}

}  // namespace
}  // namespace qmt
