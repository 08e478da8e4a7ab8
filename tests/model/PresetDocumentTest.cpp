#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "PresetBytes.h"
#include "TempDir.h"
#include "model/PresetDocument.h"
#include "model/PresetFile.h"

namespace qmt {
namespace {

using test::PresetBytes;
using Bytes = std::vector<uint8_t>;

TEST(Threshold, FileUnitsAreFractionsOf4096) {
    EXPECT_DOUBLE_EQ(ThresholdFromFile(4096), 1.0);
    EXPECT_DOUBLE_EQ(ThresholdFromFile(6144), 1.5);
    EXPECT_DOUBLE_EQ(ThresholdFromFile(32768 * 4096), 32768.0);
    EXPECT_EQ(ThresholdToFile(1.0), 4096);
    EXPECT_EQ(ThresholdToFile(1.5), 2 * 4096);
    EXPECT_EQ(ThresholdToFile(2.49), 2 * 4096);
    EXPECT_EQ(ThresholdToFile(512), 512 * 4096);
    EXPECT_EQ(ThresholdToFile(32768), 32768 * 4096);
}

TEST(Threshold, StoredValueStaysMeaningful) {
    EXPECT_EQ(ThresholdToFile(0.2), 4096);  // rounding must not make it invalid
    EXPECT_EQ(ThresholdToFile(0.0), 0);
    EXPECT_EQ(ThresholdToFile(std::nan("")), 0);
    EXPECT_EQ(ThresholdToFile(-3.0), -3 * 4096);
    EXPECT_EQ(ThresholdToFile(1e12), 524287 * 4096);
    EXPECT_EQ(ThresholdToFile(-1e12), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ThresholdToFile(std::numeric_limits<double>::infinity()), 524287 * 4096);
}

// A newest-version file as the configuration program writes it: a "Key" on "Play" that
// refers to the second application, one on "Cue" to the first, a rotate and a slide.
Bytes CanonicalFile(const char* magic) {
    const int last = test::HighestControlOf(magic);
    PresetBytes file(magic);
    file.u32(2).str("Player").str("/opt/player").str("Mixer").str("/opt/mixer");
    for (int control = 0; control <= last; ++control) {
        if (control == 21) {
            file.u32(1).u8(kNoControl).u8(kTrigger).u16(0);
            file.u8(kMsgKey).u32(0).u32(0x4000001E).u8(kMsgNone);
        } else if (control == 22) {
            file.u32(2).u8(21).u8(kToggle).u16(500);
            file.u8(kMsgKey).u32(1).u32(0x20000039).u8(kMsgNote).u8(253).u8(60).u8(0);
            file.u8(kNoControl).u8(kAutoRepeat).u32(80).u16(0);
            file.u8(kMsgExtended).u8(0).u8(3).u8(0xF0).u8(0x01).u8(0xF7).u8(kMsgNone);
        } else if (control == 23) {
            file.u32(1).u8(kNoControl).u8(kRotate).u16(0);
            file.u8(kMsgControlChange).u8(0).u8(7).u8(kEnc7F01).i32(3 * 4096).u8(1);
            file.u8(kMsgKey).u32(1).u32(0x26).i32(4096).u8(1);
        } else if (control == 24) {
            file.u32(1).u8(kNoControl).u8(kSlide).u16(0);
            file.u8(kMsgPitchWheel).u8(254).i32(64 * 4096).u8(0).u8(kMsgNone);
        } else {
            file.u32(0);
        }
    }
    return file.finish();
}

class DocumentRoundTripTest : public testing::TestWithParam<const char*> {};

TEST_P(DocumentRoundTripTest, ReadingAndWritingGivesTheSameBytes) {
    const Bytes original = CanonicalFile(GetParam());
    std::string error;
    auto document = PresetDocument::parse(original, &error);
    ASSERT_NE(document, nullptr) << error;
    ASSERT_EQ(document->applications().size(), 2u);
    double threshold = 0;
    ASSERT_TRUE(document->threshold(23, 0, 0, threshold));
    EXPECT_DOUBLE_EQ(threshold, 3.0);
    Bytes written;
    ASSERT_TRUE(document->serialize(written, &error)) << error;
    EXPECT_EQ(written, original);
}

INSTANTIATE_TEST_SUITE_P(NewestMagics, DocumentRoundTripTest,
                         testing::Values("KVP4", "KAP2", "KRP0", "KQP0"));

TEST(PresetDocument, AReferenceOutsideTheListFailsTheRead) {
    PresetBytes file("KQP0");
    file.u32(1).str("Player").str("/opt/player").emptyLists(22);
    file.u32(1).u8(kNoControl).u8(kToggle).u16(0).u8(kMsgKey).u32(1).u32(0).u8(kMsgNone);
    file.emptyLists(65);
    std::string error;
    EXPECT_EQ(PresetDocument::parse(file.finish(), &error), nullptr);
    EXPECT_NE(error.find("application 1"), std::string::npos) << error;
    // The driver does not care: the same file loads and validates there.
    PresetPtr preset = ParsePreset(file.finish());
    ASSERT_NE(preset, nullptr);
    EXPECT_TRUE(ValidatePreset(*preset));
}

TEST(PresetDocument, OnlyReferencedApplicationsAreWrittenAndRenumbered) {
    PresetDocument document(PresetKind::Kap);
    const uint32_t a = document.addApplication({"A", "/a"});
    const uint32_t b = document.addApplication({"B", "/b"});
    const uint32_t c = document.addApplication({"C", "/c"});
    EXPECT_EQ(document.addApplication({"C again", "/c"}), c);
    Assignment press;
    press.function = kTrigger;
    press.messages[0] = {.kind = kMsgKey, .keyApplication = c, .keyCode = 1};
    press.messages[1] = {.kind = kMsgKey, .keyApplication = a, .keyCode = 2};
    document.preset().lists[0].push_back(press);
    (void)b;

    Bytes bytes;
    ASSERT_TRUE(document.serialize(bytes));
    std::vector<ApplicationEntry> apps;
    PresetPtr loaded = ParsePreset(bytes, nullptr, &apps);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(apps, (std::vector<ApplicationEntry>{{"A", "/a"}, {"C", "/c"}}));
    EXPECT_EQ(loaded->lists[0][0].messages[0].keyApplication, 1u);
    EXPECT_EQ(loaded->lists[0][0].messages[1].keyApplication, 0u);
    // The document itself keeps its own list and references.
    EXPECT_EQ(document.applications().size(), 3u);
    EXPECT_EQ(document.preset().lists[0][0].messages[0].keyApplication, c);
}

TEST(PresetDocument, SavingABrokenReferenceFails) {
    PresetDocument document(PresetKind::Kqp);
    Assignment a;
    a.messages[0] = {.kind = kMsgKey, .keyApplication = 0};
    document.preset().lists[3].push_back(a);
    Bytes bytes;
    std::string error;
    EXPECT_FALSE(document.serialize(bytes, &error));
    EXPECT_NE(error.find("application 0"), std::string::npos) << error;
    test::TempDir dir;
    EXPECT_FALSE(document.save(dir.file("x.kqp"), &error));
    EXPECT_NE(error.find("x.kqp"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.kqp")));
}

TEST(PresetDocument, MergeFollowsExecutablePaths) {
    auto document = PresetDocument::parse(CanonicalFile("KQP0"));
    ASSERT_NE(document, nullptr);
    // The editor already knows the mixer under another display name.
    std::vector<ApplicationEntry> editor{{"Browser", "/opt/browser"}, {"My mixer", "/opt/mixer"}};
    document->mergeApplications(editor);
    EXPECT_EQ(editor, (std::vector<ApplicationEntry>{{"Browser", "/opt/browser"},
                                                     {"My mixer", "/opt/mixer"},
                                                     {"Player", "/opt/player"}}));
    EXPECT_EQ(document->applications(), editor);
    const Preset& p = document->preset();
    EXPECT_EQ(p.lists[21][0].messages[0].keyApplication, 2u);  // the player
    EXPECT_EQ(p.lists[22][0].messages[0].keyApplication, 1u);  // the mixer
    EXPECT_EQ(p.lists[23][0].messages[1].keyApplication, 1u);

    Bytes bytes;
    ASSERT_TRUE(document->serialize(bytes));
    std::vector<ApplicationEntry> written;
    PresetPtr loaded = ParsePreset(bytes, nullptr, &written);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(written, (std::vector<ApplicationEntry>{{"My mixer", "/opt/mixer"},
                                                      {"Player", "/opt/player"}}));
    EXPECT_EQ(loaded->lists[21][0].messages[0].keyApplication, 1u);
    EXPECT_EQ(loaded->lists[22][0].messages[0].keyApplication, 0u);
}

TEST(PresetDocument, ThresholdAccessors) {
    PresetDocument document(PresetKind::Kqp);
    Assignment wheel;
    wheel.function = kRotate;
    wheel.messages[0] = {.kind = kMsgControlChange, .threshold = 4096};
    document.preset().lists[23].push_back(wheel);
    ASSERT_TRUE(document.setThreshold(23, 0, 0, 2.6));
    EXPECT_EQ(document.preset().lists[23][0].messages[0].threshold, 3 * 4096);
    double value = 0;
    ASSERT_TRUE(document.threshold(23, 0, 0, value));
    EXPECT_DOUBLE_EQ(value, 3.0);
    EXPECT_FALSE(document.threshold(23, 1, 0, value));
    EXPECT_FALSE(document.threshold(23, 0, 2, value));
    EXPECT_FALSE(document.setThreshold(88, 0, 0, 1.0));
}

TEST(PresetDocument, NewDocumentsUseTheNewestFormat) {
    PresetDocument document(PresetKind::Krp);
    EXPECT_EQ(document.kind(), PresetKind::Krp);
    EXPECT_EQ(document.preset().version, 4);
    Bytes bytes;
    ASSERT_TRUE(document.serialize(bytes));
    EXPECT_EQ(bytes, PresetBytes("KRP0").u32(0).emptyLists(80).finish());
}

TEST(PresetDocument, SaveAndLoadThroughAFile) {
    test::TempDir dir;
    auto document = PresetDocument::parse(CanonicalFile("KAP2"));
    ASSERT_NE(document, nullptr);
    std::string error;
    ASSERT_TRUE(document->save(dir.file("deck.kap"), &error)) << error;
    EXPECT_EQ(dir.read("deck.kap"), CanonicalFile("KAP2"));
    auto loaded = PresetDocument::load(dir.file("deck.kap"), &error);
    ASSERT_NE(loaded, nullptr) << error;
    EXPECT_EQ(loaded->applications(), document->applications());
    EXPECT_EQ(PresetDocument::load(dir.file("missing.kap"), &error), nullptr);
    EXPECT_NE(error.find("missing.kap"), std::string::npos) << error;
}

}  // namespace
}  // namespace qmt
