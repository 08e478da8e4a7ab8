// The picture area: where the picture sits, what a point hits, and what a paint shows.

#include <gtest/gtest.h>

#include "PictureTestBitmaps.h"
#include "midiconfig/ControllerPicture.h"
#include "model/ControlId.h"

namespace qmt {
namespace {

using test::FlatPicture;
using test::IdMap;

constexpr uint32_t kBase = 0x101010, kSelected = 0x0000F0, kModifier = 0xF00000, kHover = 0x303030;
constexpr uint8_t kPlay = kControlPlay, kCue = kControlCue, kEject = kControlEject,
                  kStop = kControlStop, kGainButton = kControlGainLeftButton;
constexpr uint8_t N = 255;

class Host : public ControllerPictureHostIf {
  public:
    void hoverChanged(uint8_t control) override { hovers.push_back(control); }
    void controlClicked(uint8_t control) override { clicks.push_back(control); }
    uint8_t selectedControl() override { return selected; }
    void collectModifiers(std::vector<uint8_t>& out) override {
        out.insert(out.end(), modifiers.begin(), modifiers.end());
    }
    std::vector<uint8_t> hovers, clicks, modifiers;
    uint8_t selected = kEject;
};

// A 4 x 3 picture. The hit map knows Play, Cue and Eject; the mask source (as on the KVP
// set) gives Play a larger area than its hit-map pixel.
class ControllerPictureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto hit = IdMap({{kPlay, N, kCue, N}, {N, N, N, N}, {kEject, N, N, kEject}});
        const auto mask =
            IdMap({{kPlay, kPlay, kCue, N}, {kPlay, N, N, N}, {kEject, N, N, kEject}});
        base = FlatPicture(4, 3, kBase);
        ASSERT_TRUE(picture.loadSet(
            PresetKind::Kvp, {base, FlatPicture(4, 3, kSelected), FlatPicture(4, 3, kModifier),
                              FlatPicture(4, 3, kHover), hit, mask}));
    }
    // Paints into a client of w x h and returns the picture's pixels (at origin o).
    RgbFrame paint(int32_t w, int32_t h) {
        RgbFrame frame(w, h, 0xFF777777);
        EXPECT_TRUE(picture.paint(frame));
        return frame;
    }

    Host host;
    ControllerPicture picture{host};
    std::vector<uint8_t> base;
};

TEST_F(ControllerPictureTest, PictureIsCentredAcrossAndAThirdDown) {
    EXPECT_EQ(ControllerPicture::OriginFor(10, 9, 4, 3).x, 3);
    EXPECT_EQ(ControllerPicture::OriginFor(10, 9, 4, 3).y, 2);
    EXPECT_EQ(ControllerPicture::OriginFor(11, 10, 4, 3).x, 3);  // (11-4)/2, (10-3)/3
    EXPECT_EQ(ControllerPicture::OriginFor(11, 10, 4, 3).y, 2);
    EXPECT_EQ(ControllerPicture::OriginFor(3, 2, 4, 3).x, 0);  // never negative
    EXPECT_EQ(ControllerPicture::OriginFor(3, 2, 4, 3).y, 0);
}

TEST_F(ControllerPictureTest, HitTestReadsTheMapFromItsTopRowAtTheOrigin) {
    uint8_t id = 0;
    ASSERT_TRUE(picture.hitTest(3, 2, 10, 9, id));
    EXPECT_EQ(id, kPlay);
    ASSERT_TRUE(picture.hitTest(6, 4, 10, 9, id));
    EXPECT_EQ(id, kEject);  // bottom-right pixel
    ASSERT_TRUE(picture.hitTest(5, 2, 10, 9, id));
    EXPECT_EQ(id, kCue);
    EXPECT_FALSE(picture.hitTest(2, 2, 10, 9, id));
    EXPECT_FALSE(picture.hitTest(7, 2, 10, 9, id));
    EXPECT_FALSE(picture.hitTest(3, 5, 10, 9, id));
    EXPECT_FALSE(picture.hitTest(3, 1, 10, 9, id));
}

TEST_F(ControllerPictureTest, HoverFollowsTheMouseAndKeepsItOutsideThePicture) {
    picture.mouseMove(3, 2, 10, 9);
    EXPECT_EQ(picture.hovered(), kPlay);
    picture.mouseMove(9, 8, 10, 9);  // outside: unchanged
    EXPECT_EQ(picture.hovered(), kPlay);
    picture.mouseMove(4, 2, 10, 9);  // background: none
    EXPECT_EQ(picture.hovered(), kNoControl);
    picture.mouseMove(4, 3, 10, 9);  // background again: no second notice
    picture.setHovered(200);         // clamped to none
    EXPECT_EQ(host.hovers, (std::vector<uint8_t>{kPlay, kNoControl}));
}

TEST_F(ControllerPictureTest, OnlyClicksOnAControlSelect) {
    picture.leftButtonDown(5, 2, 10, 9);
    picture.leftButtonDown(4, 2, 10, 9);  // background
    picture.leftButtonDown(0, 0, 10, 9);  // outside
    EXPECT_EQ(host.clicks, (std::vector<uint8_t>{kCue}));
}

TEST_F(ControllerPictureTest, PaintLayersBaseHoverModifiersThenSelected) {
    picture.setHovered(kPlay);
    host.modifiers = {kCue, kNoControl, kPlay};
    host.selected = kEject;
    RgbFrame f = paint(10, 9);
    EXPECT_EQ(f.at(0, 0), ControllerPicture::kBlack);  // around the picture
    EXPECT_EQ(f.at(3 + 3, 2 + 1), 0xFF000000 | kBase);
    EXPECT_EQ(f.at(3 + 0, 2 + 1), 0xFF000000 | kModifier);  // Play's larger mask area
    EXPECT_EQ(f.at(3 + 2, 2 + 0), 0xFF000000 | kModifier);
    EXPECT_EQ(f.at(3 + 0, 2 + 2), 0xFF000000 | kSelected);
    EXPECT_EQ(f.at(3 + 3, 2 + 2), 0xFF000000 | kSelected);

    host.modifiers = {kEject};  // the selected mark wins over a modifier mark
    f = paint(10, 9);
    EXPECT_EQ(f.at(3 + 0, 2 + 0), 0xFF000000 | kHover);
    EXPECT_EQ(f.at(3 + 0, 2 + 2), 0xFF000000 | kSelected);
}

TEST_F(ControllerPictureTest, ClientSmallerThanThePictureIsClippedNotFilled) {
    host.selected = kEject;
    RgbFrame f = paint(2, 2);
    EXPECT_EQ(f.at(1, 1), 0xFF000000 | kBase);
    f = paint(4, 3);
    EXPECT_EQ(f.at(3, 2), 0xFF000000 | kSelected);
}

TEST_F(ControllerPictureTest, MissingLayersStayUndrawnAndNoBaseMeansNoPaint) {
    std::vector<uint8_t> broken = FlatPicture(4, 3, kHover);
    broken.pop_back();
    const auto hit = IdMap({{kPlay, N, N, N}, {N, N, N, N}, {N, N, N, N}});
    EXPECT_FALSE(picture.loadSet(PresetKind::Kap, {base, {}, {}, broken, hit, hit}));
    picture.setKind(PresetKind::Kap);
    picture.setHovered(kPlay);
    host.selected = kPlay;
    EXPECT_EQ(paint(4, 3).at(0, 0), 0xFF000000 | kBase);

    EXPECT_FALSE(picture.loadSet(PresetKind::Kap, {{}, {}, {}, {}, hit, hit}));
    RgbFrame frame(4, 3, 0xFF777777);
    EXPECT_FALSE(picture.paint(frame));
    EXPECT_EQ(frame.at(0, 0), 0xFF777777u);
}

TEST_F(ControllerPictureTest, KrpAndKqpShareOnePictureButOfferOnlyTheirModelsControls) {
    const auto hit = IdMap({{kGainButton, kStop}});
    const auto flat = FlatPicture(2, 1, kBase);
    ASSERT_TRUE(picture.loadSet(PresetKind::Kqp, {flat, flat, flat, flat, hit, hit}));
    uint8_t id = 0;
    picture.setKind(PresetKind::Krp);
    ASSERT_TRUE(picture.hitTest(0, 0, 2, 1, id));
    EXPECT_EQ(id, N);  // the ARDO RAW PROTO 2009 has no gain knob button
    ASSERT_TRUE(picture.hitTest(1, 0, 2, 1, id));
    EXPECT_EQ(id, kStop);
    picture.setKind(PresetKind::Kqp);
    ASSERT_TRUE(picture.hitTest(0, 0, 2, 1, id));
    EXPECT_EQ(id, kGainButton);
}

}  // namespace
}  // namespace qmt
