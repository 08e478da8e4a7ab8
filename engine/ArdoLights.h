#pragma once
// The lights of the ARDO models: MIDI notes from applications become LED states, position
// indicators, bar graphs and level meters; the writer turns them into output reports.
//
// Rendering beyond the LEDs set one per note:
// - The two further indicators (notes 104/105 on ARDO, 84/85 on the other models) are bar
//   graphs on the first and the second ring of group 1: LEDs 0 .. L-1 lit at full
//   brightness, the rest of that ring dark, L = min(30, ((v & 0x3F) + 1) / 2). Like the
//   ring position indicator they overwrite the ring's LED halves.
// - The two level meters (106/107, or 86/87) are drawn over the first and the second ring
//   without changing the ring's own LEDs: ceil-rounded level x 30 / 16 LEDs, counted from
//   the ring's last LED (29) backwards, at brightness 6. A brighter LED of the ring stays
//   visible through the meter, and the meter going down reveals the ring again.
// - The deck values (ARDO: control change 64 and pitch bend) are drawn over both rings as
//   one marker LED at value x 30 / 65536, at brightness 10, in the half of the deck they
//   belong to, in addition to their own output report.
// Meters and markers follow the attribute rule of the half they are drawn in.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/LedGroup.h"

namespace qmt {

// Every output report has 33 bytes: byte 0 is the report number 0, byte 1 the command,
// byte 2 the length counted from byte 1 (command, length and data bytes), then the data;
// the rest is 0.
using OutputReport = std::array<uint8_t, 33>;
using MidiBytes = std::array<uint8_t, 4>;

class ArdoLights {
  public:
    static constexpr size_t kRingLeds = 30;
    static constexpr uint8_t kMeterBrightness = 6;
    static constexpr uint8_t kDeckMarkerBrightness = 10;

    // `ardo` selects the ARDO's note table (group 3, deck values) over the others'.
    explicit ArdoLights(bool ardo);

    // Bit 2c + i: preset i listens on channel c.
    void SetListeningMask(uint32_t mask) { mask_ = mask; }
    uint32_t listeningMask() const { return mask_; }
    // One short message; true when an LED, a meter or a deck value changed.
    bool Message(uint8_t byteCount, const MidiBytes& bytes);

    // The writer's work at `now`: the blink tick, then the reports of the groups that are
    // due (changed, or not sent for 2.5 s, or everything when `refresh`).
    void Render(int64_t now, uint8_t deckBit, bool refresh, std::vector<OutputReport>& out);
    // Only the groups that MIDI changed since they were last sent, without a blink tick:
    // what must still reach the device before output stops.
    void RenderChanged(int64_t now, uint8_t deckBit, std::vector<OutputReport>& out);
    // The deck-value report when a value is pending; clears the pending flags.
    bool TakeDeckValues(OutputReport& report);
    // Output stopped: nothing is due until something changes again.
    void ResetOutput();

    LedGroup& group(size_t index) { return groups_[index]; }
    uint8_t meterLevel(size_t meter, size_t deck) const { return meters_[meter][deck].level; }

  private:
    struct Meter {
        uint8_t level = 0;
        bool attribute = false;
    };
    struct DeckValue {
        uint16_t value = 0;
        bool known = false;
        bool pending = false;
    };

    bool NoteOn(uint8_t note, uint8_t velocity, const std::array<bool, 2>& decks);
    bool SetLed(LedGroup& group, size_t index, uint8_t velocity, const std::array<bool, 2>& decks);
    bool RingIndicator(uint8_t velocity, const std::array<bool, 2>& decks);
    bool Group3Indicator(uint8_t velocity, const std::array<bool, 2>& decks);
    bool FurtherIndicator(size_t ring, uint8_t velocity, const std::array<bool, 2>& decks);
    bool LevelMeter(size_t meter, uint8_t velocity, const std::array<bool, 2>& decks);
    bool SetDeckValue(uint16_t value, const std::array<bool, 2>& decks);
    size_t groupCount() const { return ardo_ ? 3 : 2; }
    // The LED bytes of one group as they should show now, overlays included.
    void ComposeGroup(size_t index, uint8_t deckBit);
    void Compose(LedGroup& group, size_t index, uint8_t deckBit);
    void ComposeRingOverlays(uint8_t deckBit);
    void AppendReports(size_t index, std::vector<OutputReport>& out);

    bool ardo_;
    uint8_t group2Count_;
    uint32_t mask_ = 0;
    std::array<LedGroup, 3> groups_;  // group 1 (both rings), group 2, group 3
    std::array<std::array<Meter, 2>, 2> meters_{};
    std::array<DeckValue, 2> deckValues_{};
    bool ticking_ = false;
    int64_t lastTick_ = 0;
};

}  // namespace qmt
