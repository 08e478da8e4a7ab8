#pragma once
// One group of controller LEDs. Every LED has two halves, one per preset of the device
// (they light in the two deck colours); each half is lit or not, may blink, and may carry
// the attribute that limits it to one position of the deck switch.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qmt {

struct LedHalf {
    static constexpr uint8_t kSteady = 7;

    uint8_t value = 0;  // what the half shows while lit, 0 to 15; 0 is off
    uint8_t blinkCode = kSteady;
    uint8_t blinkCounter = 0;
    bool blinkDark = false;  // in the dark phase of its blinking
    bool attribute = false;

    bool blinks() const { return blinkCode != kSteady; }
    // Steady half with the given value.
    void SetSteady(uint8_t lit, bool withAttribute);
};

struct Led {
    std::array<LedHalf, 2> halves;
};

class LedGroup {
  public:
    explicit LedGroup(size_t count) : leds_(count), shown_(count), sentShown_(count) {}

    // The first use of a group turns all its LEDs off and steady.
    void Use();
    bool used() const { return used_; }
    Led& led(size_t index) { return leds_[index]; }
    const Led& led(size_t index) const { return leds_[index]; }
    size_t size() const { return leds_.size(); }

    void MarkChanged();
    bool changed() const { return changed_; }
    void ClearChanged() { changed_ = false; }

    // One 150 ms blink tick.
    void Tick();
    // The displayed 4-bit value of one half: `deckBit` is the deck switch of the last
    // report; a half with the attribute shows only for its own switch position.
    uint8_t Displayed(size_t index, size_t half, uint8_t deckBit) const;

    // The LED bytes (first half in the low nibble) as last composed for sending.
    std::vector<uint8_t>& shown() { return shown_; }
    // True when the composed bytes must go out; records them as sent.
    bool Due(int64_t now, bool refresh);

  private:
    void CountBlinking();

    std::vector<Led> leds_;
    std::vector<uint8_t> shown_;
    std::vector<uint8_t> sentShown_;
    bool used_ = false;
    bool changed_ = false;
    bool everSent_ = false;
    size_t blinking_ = 0;
    int64_t lastSent_ = 0;
};

}  // namespace qmt
