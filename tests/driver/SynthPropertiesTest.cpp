// The synthesizer property answers and their size rules.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driver/DriverStatus.h"
#include "driver/SynthProperties.h"

namespace qmt {
namespace {

std::string Description(const std::vector<uint8_t>& caps) {
    std::string text;
    for (size_t at = 40; at + 1 < caps.size() && caps[at] != 0; at += 2)
        text += char(caps[at]);
    return text;
}

TEST(SynthProperties, CapsNameTheOutputForNodeZeroAndTheInputOtherwise) {
    std::vector<uint8_t> value(kSynthCapsSize, 0xEE);
    SynthPropertyRequest r{kSynthCaps,   kPropertyGet,  0, false, nullptr, 0,
                           value.data(), kSynthCapsSize};
    ASSERT_EQ(HandleSynthProperty(r), kStatusSuccess);
    EXPECT_EQ(Description(value), "QMT MIDI Out");
    EXPECT_EQ(value[0], 0x18);  // {6B2E4F18-...} stored little-endian
    uint32_t groups = 0;
    std::memcpy(&groups, value.data() + 24, 4);
    EXPECT_EQ(groups, 1u);
    r.node = 1;
    ASSERT_EQ(HandleSynthProperty(r), kStatusSuccess);
    EXPECT_EQ(Description(value), "QMT MIDI In");
    EXPECT_EQ(value[0], 0x19);
}

TEST(SynthProperties, SizeRules) {
    std::vector<uint8_t> value(kSynthCapsSize);
    SynthPropertyRequest r{kSynthCaps, kPropertyGet, 0, false, nullptr, 0, value.data(), 0};
    EXPECT_EQ(HandleSynthProperty(r), kStatusBufferOverflow);
    EXPECT_EQ(r.valueSize, kSynthCapsSize);
    r.valueSize = 100;
    EXPECT_EQ(HandleSynthProperty(r), kStatusBufferTooSmall);
    r.valueSize = kSynthCapsSize;
    r.value = nullptr;
    EXPECT_EQ(HandleSynthProperty(r), kStatusInvalidParameter);
    r.value = value.data();
    r.flags = kPropertySet;
    EXPECT_EQ(HandleSynthProperty(r), kStatusInvalidDeviceRequest);
    // An identifier the set does not know is answered with success and nothing written.
    SynthPropertyRequest other{99, kPropertyGet, 0, false, nullptr, 0, nullptr, 0};
    EXPECT_EQ(HandleSynthProperty(other), kStatusSuccess);
}

TEST(SynthProperties, BasicSupportAndChannelGroups) {
    uint32_t access = 0;
    SynthPropertyRequest r{
        kSynthChannelGroups, kPropertyBasicSupport, 0, false, nullptr, 0, &access, 4};
    ASSERT_EQ(HandleSynthProperty(r), kStatusSuccess);
    EXPECT_EQ(access, kPropertyBasicSupport | kPropertyGet | kPropertySet);
    r.id = kSynthPortParameters;
    EXPECT_EQ(HandleSynthProperty(r), kStatusInvalidDeviceRequest);
    EXPECT_EQ(r.valueSize, 0u);
    r.streamTarget = true;
    r.valueSize = 4;
    ASSERT_EQ(HandleSynthProperty(r), kStatusSuccess);
    EXPECT_EQ(access, kPropertyBasicSupport | kPropertyGet);
    uint32_t groups = 7;
    SynthPropertyRequest set{kSynthChannelGroups, kPropertySet, 0, false, nullptr, 0, &groups, 4};
    ASSERT_EQ(HandleSynthProperty(set), kStatusSuccess);
    EXPECT_EQ(groups, 1u);
}

TEST(SynthProperties, PortParametersKeepOnlyTheChannelGroupsBit) {
    uint32_t asked[7] = {0xFF, 32, 4, 2, 44100, 0, 0};
    uint32_t answer[7] = {};
    SynthPropertyRequest r{kSynthPortParameters, kPropertyGet, 0, true, asked, 28, answer, 28};
    ASSERT_EQ(HandleSynthProperty(r), kStatusSuccess);
    EXPECT_EQ(answer[0], kSynthPortParamChannelGroups);
    EXPECT_EQ(answer[2], 1u);  // four groups asked, one given
    EXPECT_EQ(answer[4], 44100u);
    EXPECT_EQ(r.valueSize, 28u);
}

TEST(SynthProperties, LatencyClockNeedsALiveMiniport) {
    int64_t now = 0;
    SynthPropertyRequest r{kSynthLatencyClock, kPropertyGet, 0, false, nullptr, 0, &now, 8};
    EXPECT_EQ(HandleSynthProperty(r), kStatusInvalidDeviceRequest);
}

}  // namespace
}  // namespace qmt
