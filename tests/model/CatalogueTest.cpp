#include <gtest/gtest.h>

#include <set>
#include <string>

#include "model/Catalogue.h"

namespace qmt {
namespace {

// What a control's kind decides: the event types an assignment on it may have.
TEST(Catalogue, EveryControlHasItsOwnNameAndTheEventTypesOfItsKind) {
    std::set<std::string> names;
    for (int id = 0; id < kControlCount; ++id) {
        const auto control = static_cast<uint8_t>(id);
        ASSERT_NE(ControlNameOf(control), nullptr) << "control " << id;
        EXPECT_TRUE(names.insert(ControlNameOf(control)).second) << ControlNameOf(control);
        std::set<uint8_t> allowed;
        for (uint8_t event = 0; event <= kEventTypeCount; ++event)
            if (EventTypeAllowedFor(control, event)) allowed.insert(event);
        switch (ControlKindOf(control)) {
            case ControlKind::Button:
                EXPECT_EQ(allowed, (std::set<uint8_t>{kToggle, kTrigger, kAutoRepeat})) << id;
                break;
            case ControlKind::Rotary:
                EXPECT_EQ(allowed, std::set<uint8_t>{kRotate}) << id;
                break;
            case ControlKind::Absolute:
                EXPECT_EQ(allowed, std::set<uint8_t>{kSlide}) << id;
                break;
            case ControlKind::VelocityPad:
                EXPECT_EQ(allowed, std::set<uint8_t>{kPress}) << id;
                break;
        }
    }
}

TEST(Catalogue, NamesAtTheEdgesOfEachGeneration) {
    EXPECT_STREQ(ControlNameOf(0), "Eject");
    EXPECT_STREQ(ControlNameOf(24), "Slider");
    EXPECT_STREQ(ControlNameOf(29), "1/2th beat");
    EXPECT_STREQ(ControlNameOf(68), "Touchpad Y");
    EXPECT_STREQ(ControlNameOf(74), "Slider #2");
    EXPECT_STREQ(ControlNameOf(75), "Selector");
    EXPECT_STREQ(ControlNameOf(79), "Slider B");
    EXPECT_STREQ(ControlNameOf(87), "Selector 4");
}

TEST(Catalogue, NoControlIsNeverAControl) {
    EXPECT_EQ(ControlNameOf(kNoControl), nullptr);
    EXPECT_EQ(ControlNameOf(255), nullptr);
    for (uint8_t event = 0; event < 8; ++event) {
        EXPECT_FALSE(EventTypeAllowedFor(kNoControl, event));
    }
}

TEST(Catalogue, SliderAAndBAreButtons) {
    for (uint8_t id : {78, 79}) {
        EXPECT_EQ(ControlKindOf(id), ControlKind::Button);
        EXPECT_TRUE(EventTypeAllowedFor(id, kToggle));
        EXPECT_TRUE(EventTypeAllowedFor(id, kTrigger));
        EXPECT_TRUE(EventTypeAllowedFor(id, kAutoRepeat));
        EXPECT_FALSE(EventTypeAllowedFor(id, kSlide));
    }
}

TEST(Catalogue, EventTypeAndMessageNames) {
    EXPECT_STREQ(EventTypeName(kAutoRepeat), "Auto repeat");
    EXPECT_STREQ(FirstMessageName(kTrigger), "Button Press");
    EXPECT_STREQ(SecondMessageName(kRotate), "Rotate Counterclockwise");
    EXPECT_STREQ(FirstMessageName(kPress), "Velocity Pad Press");
    EXPECT_STREQ(FirstMessageShortLabel(kRotate), "CW");
    EXPECT_STREQ(SecondMessageShortLabel(kSlide), "Down");
    EXPECT_STREQ(SecondMessageShortLabel(kPress), "Release");
    EXPECT_EQ(EventTypeName(kEventTypeCount), nullptr);
    EXPECT_EQ(SecondMessageShortLabel(200), nullptr);
}

// Every product is served by a model the driver can decode, each by one product only.
TEST(Catalogue, EveryProductIsServedByOneDecodableModel) {
    std::set<uint8_t> models;
    for (const ProductModel& product : ProductModels()) {
        EXPECT_EQ(ModelTypeForProductId(product.productId), product.modelType);
        EXPECT_NE(ControlsOf(product.modelType), nullptr) << int(product.modelType);
        EXPECT_TRUE(models.insert(product.modelType).second) << int(product.modelType);
    }
    // 0310 is always the ARDO RAW, never the 2009 prototype.
    EXPECT_EQ(ModelTypeForProductId(0x0310), kModelArdoRaw);
    EXPECT_EQ(models.count(kModelArdoRawProto2009), 0u);
    EXPECT_FALSE(ModelTypeForProductId(0x0301).has_value());
}

TEST(Catalogue, PresetClasses) {
    EXPECT_EQ(PresetClassOf(0), kPresetClassNone);
    EXPECT_EQ(PresetClassOf(1), kPresetClassKvp);
    EXPECT_EQ(PresetClassOf(2), kPresetClassKvp);
    EXPECT_EQ(PresetClassOf(3), kPresetClassKap);
    EXPECT_EQ(PresetClassOf(4), kPresetClassKrp);
    EXPECT_EQ(PresetClassOf(5), kPresetClassNone);
    EXPECT_EQ(PresetClassOf(6), kPresetClassKqp);
    EXPECT_EQ(PresetClassOf(7), kPresetClassNone);
    EXPECT_EQ(PresetClassOf(0x80000006u), kPresetClassNone);
}

struct ModelShape {
    uint8_t type;
    size_t buttons, rotaries, absolutes, pads;
};

class ModelControlsTest : public testing::TestWithParam<ModelShape> {};

TEST_P(ModelControlsTest, ListsAreConsistentWithTheCatalogue) {
    const ModelShape shape = GetParam();
    const ModelControls* controls = ControlsOf(shape.type);
    ASSERT_NE(controls, nullptr);
    EXPECT_EQ(controls->buttons.size(), shape.buttons);
    EXPECT_EQ(controls->rotaries.size(), shape.rotaries);
    EXPECT_EQ(controls->absolutes.size(), shape.absolutes);
    EXPECT_EQ(controls->pads.size(), shape.pads);

    std::set<uint8_t> seen;
    auto expectKind = [&](std::span<const uint8_t> ids, ControlKind kind) {
        for (uint8_t id : ids) {
            EXPECT_EQ(ControlKindOf(id), kind) << "control " << int(id);
            EXPECT_TRUE(seen.insert(id).second) << "control " << int(id) << " listed twice";
        }
    };
    expectKind(controls->buttons, ControlKind::Button);
    expectKind(controls->rotaries, ControlKind::Rotary);
    expectKind(controls->absolutes, ControlKind::Absolute);
    expectKind(controls->pads, ControlKind::VelocityPad);

    // The inverse table leads back to each button's bit, and nowhere for the rest.
    for (int id = 0; id <= kControlCount; ++id) {
        const uint8_t slot = controls->buttonSlot[id];
        if (slot == kNoButtonSlot) {
            for (uint8_t b : controls->buttons)
                EXPECT_NE(b, id);
        } else {
            ASSERT_LT(slot, controls->buttons.size());
            EXPECT_EQ(controls->buttons[slot], id);
        }
    }
    EXPECT_EQ(controls->buttonSlot[kNoControl], kNoButtonSlot);
}

INSTANTIATE_TEST_SUITE_P(Models, ModelControlsTest,
                         testing::Values(ModelShape{kModelKv10, 23, 1, 1, 0},
                                         ModelShape{kModelKv5, 24, 1, 1, 0},
                                         ModelShape{kModelArdo, 32, 5, 13, 0},
                                         ModelShape{kModelArdoRawProto2009, 25, 6, 10, 4},
                                         ModelShape{kModelArdoRaw, 33, 5, 10, 4}));

TEST(Catalogue, ButtonBitOrderSamples) {
    const ModelControls* raw = ControlsOf(kModelArdoRaw);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(raw->buttons[0], 9);    // "Wheel top" is bit 0
    EXPECT_EQ(raw->buttons[6], 78);   // "Slider A" before "F"
    EXPECT_EQ(raw->buttons[32], 87);  // "Selector 4" is the last bit
    EXPECT_EQ(raw->buttonSlot[77], 7);
    EXPECT_EQ(raw->pads[3], 70);
    EXPECT_EQ(raw->absolutes[2], 58);

    const ModelControls* kv5 = ControlsOf(kModelKv5);
    ASSERT_NE(kv5, nullptr);
    EXPECT_EQ(kv5->buttonSlot[25], 7);  // "Wheel aftertouch" only exists on the KV5
    EXPECT_EQ(ControlsOf(kModelKv10)->buttonSlot[25], kNoButtonSlot);

    const ModelControls* proto = ControlsOf(kModelArdoRawProto2009);
    EXPECT_EQ(proto->rotaries.back(), 75);
    EXPECT_EQ(proto->absolutes[1], 74);
}

TEST(Catalogue, NoDecoderForTheKrt4OrUnknownTypes) {
    EXPECT_EQ(ControlsOf(kModelKrt4), nullptr);
    EXPECT_EQ(ControlsOf(0), nullptr);
    EXPECT_EQ(ControlsOf(7), nullptr);
}

}  // namespace
}  // namespace qmt
