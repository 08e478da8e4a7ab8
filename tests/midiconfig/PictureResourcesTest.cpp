// The pictures built into the program: every control of every model can be clicked on its
// kind's picture, and nothing else can.

#include <gtest/gtest.h>

#include <set>

#include "midiconfig/ControllerPicture.h"
#include "midiconfig/PictureBitmaps.h"
#include "midiconfig/PictureResources.h"
#include "midiconfig/PictureSet.h"
#include "model/ControlId.h"
#include "model/PresetKinds.h"

namespace qmt {
namespace {

// Every control of every model the set's kinds serve.
std::set<uint8_t> ControlsOfSet(std::initializer_list<PresetKind> kinds) {
    std::set<uint8_t> controls;
    for (PresetKind kind : kinds)
        for (uint8_t id = 0; id < kControlCount; ++id)
            if (KindHasControl(kind, id)) controls.insert(id);
    return controls;
}

std::set<uint8_t> IdsOf(const IdentifierMap& map) {
    std::set<uint8_t> ids(map.ids.begin(), map.ids.end());
    ids.erase(kNoControlPixel);
    return ids;
}

void CheckSet(const PictureSetIds& ids, std::initializer_list<PresetKind> kinds) {
    for (int picture : {ids.base, ids.selected, ids.modifier, ids.hover}) {
        PictureLayer layer;
        ASSERT_TRUE(LoadPictureLayer(FindBitmapResource(picture), layer)) << picture;
        EXPECT_EQ(layer.width, ids.width) << picture;
        EXPECT_EQ(layer.height, ids.height) << picture;
    }
    IdentifierMap hit, mask;
    ASSERT_TRUE(LoadIdentifierMap(FindBitmapResource(ids.hitMap), hit));
    ASSERT_TRUE(LoadIdentifierMap(FindBitmapResource(ids.maskSource), mask));
    ASSERT_EQ(hit.width, ids.width);
    ASSERT_EQ(hit.height, ids.height);
    ASSERT_EQ(mask.width, ids.width);
    EXPECT_EQ(IdsOf(hit), ControlsOfSet(kinds)) << "hit map " << ids.hitMap;
    EXPECT_EQ(IdsOf(mask), ControlsOfSet(kinds)) << "mask source " << ids.maskSource;
    // A highlight covers at least the control's clickable area.
    for (size_t i = 0; i < hit.ids.size(); ++i) {
        if (hit.ids[i] == kNoControlPixel) continue;
        ASSERT_EQ(mask.ids[i], hit.ids[i]) << i;
    }
}

TEST(PictureResources, EverySetShowsExactlyTheControlsOfItsModels) {
    CheckSet(kKvpPictures, {PresetKind::Kvp});
    CheckSet(kKapPictures, {PresetKind::Kap});
    CheckSet(kArdoRawPictures, {PresetKind::Krp, PresetKind::Kqp});
}

TEST(PictureResources, KvpHighlightsReachBeyondTheClickableAreas) {
    IdentifierMap hit, mask;
    ASSERT_TRUE(LoadIdentifierMap(FindBitmapResource(kKvpPictures.hitMap), hit));
    ASSERT_TRUE(LoadIdentifierMap(FindBitmapResource(kKvpPictures.maskSource), mask));
    // Every control next to the bare plate grows into it (the wheel's top and centre lie
    // inside the wheel, which has no room to give).
    for (uint8_t id : IdsOf(hit)) {
        if (id == kControlWheelTop || id == kControlWheelAftertouch) continue;
        const auto count = [id](const IdentifierMap& m) {
            return std::count(m.ids.begin(), m.ids.end(), id);
        };
        EXPECT_GT(count(mask), count(hit)) << int(id);
    }
}

TEST(PictureResources, EditorLoadsEveryBitmap) {
    struct NoHost : ControllerPictureHostIf {
        void hoverChanged(uint8_t) override {}
        void controlClicked(uint8_t) override {}
        uint8_t selectedControl() override { return 0; }
        void collectModifiers(std::vector<uint8_t>&) override {}
    } host;
    ControllerPicture picture(host);
    EXPECT_TRUE(picture.load());
    picture.setKind(PresetKind::Krp);
    EXPECT_EQ(picture.pictureWidth(), 437);
    EXPECT_TRUE(FindBitmapResource(999).empty());
}

}  // namespace
}  // namespace qmt
