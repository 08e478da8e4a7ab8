#include "engine/LedGroup.h"

namespace qmt {

namespace {
constexpr int64_t kRefreshPeriod = 25'000'000;  // 2.5 s in 100 ns units
}

void LedHalf::SetSteady(uint8_t lit, bool withAttribute) {
    value = lit;
    blinkCode = kSteady;
    blinkCounter = kSteady;
    blinkDark = false;
    attribute = withAttribute;
}

void LedGroup::Use() {
    if (used_) return;
    used_ = true;
    for (Led& led : leds_)
        for (LedHalf& half : led.halves)
            half.SetSteady(0, false);
    blinking_ = 0;
}

void LedGroup::MarkChanged() {
    changed_ = true;
    CountBlinking();
}

void LedGroup::CountBlinking() {
    blinking_ = 0;
    for (const Led& led : leds_)
        for (const LedHalf& half : led.halves)
            blinking_ += half.blinks() ? 1 : 0;
}

void LedGroup::Tick() {
    if (blinking_ == 0) return;
    for (Led& led : leds_) {
        for (LedHalf& half : led.halves) {
            if (!half.blinks()) continue;
            // A half with code c changes between lit and dark every c + 1 ticks.
            if (half.blinkCounter == 0) {
                half.blinkCounter = half.blinkCode;
                half.blinkDark = !half.blinkDark;
            } else {
                --half.blinkCounter;
            }
        }
    }
}

uint8_t LedGroup::Displayed(size_t index, size_t half, uint8_t deckBit) const {
    const LedHalf& h = leds_[index].halves[half];
    if (h.blinkDark && h.blinks()) return 0;
    if (h.attribute && deckBit != half) return 0;
    return h.value & 0x0F;
}

bool LedGroup::Due(int64_t now, bool refresh) {
    const bool due =
        !everSent_ || refresh || shown_ != sentShown_ || now - lastSent_ >= kRefreshPeriod;
    if (!due) return false;
    sentShown_ = shown_;
    everSent_ = true;
    lastSent_ = now;
    changed_ = false;
    return true;
}

}  // namespace qmt
