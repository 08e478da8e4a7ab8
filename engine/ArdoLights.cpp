#include "engine/ArdoLights.h"

#include <algorithm>
#include <cstdlib>

namespace qmt {

namespace {

constexpr int64_t kBlinkPeriod = 1'500'000;  // 150 ms in 100 ns units
constexpr uint8_t kFull = 15;
constexpr size_t kGroup3Leds = 20;
constexpr size_t kGroup3IndicatorLeds = 16;
constexpr uint8_t kGroup2First = 60;

bool Attribute(uint8_t velocity) {
    return (velocity & 0x40) != 0;
}

// Raises one nibble of an LED byte to at least `level`.
void Raise(uint8_t& byte, size_t half, uint8_t level) {
    const int shift = half == 0 ? 0 : 4;
    const uint8_t current = (byte >> shift) & 0x0F;
    if (current >= level) return;
    byte = static_cast<uint8_t>((byte & ~(0x0F << shift)) | (level << shift));
}

}  // namespace

ArdoLights::ArdoLights(bool ardo)
    : ardo_(ardo),
      group2Count_(ardo ? 22 : 23),
      groups_{LedGroup(2 * kRingLeds), LedGroup(ardo ? 22 : 23), LedGroup(kGroup3Leds)} {}

bool ArdoLights::Message(uint8_t byteCount, const MidiBytes& bytes) {
    if (byteCount < 2) return false;
    const uint8_t status = bytes[0] & 0xF0;
    const uint8_t channel = bytes[0] & 0x0F;
    const uint8_t n = bytes[1] & 0x7F;
    const uint8_t v = byteCount >= 3 ? bytes[2] & 0x7F : 0;
    const std::array<bool, 2> decks{((mask_ >> (2 * channel)) & 1u) != 0,
                                    ((mask_ >> (2 * channel + 1)) & 1u) != 0};
    if (!decks[0] && !decks[1]) return false;
    if (status == 0x90) return NoteOn(n, v, decks);
    if (!ardo_) return false;
    if (status == 0xB0 && n == 64) return SetDeckValue(static_cast<uint16_t>(v * 512), decks);
    if (status == 0xE0) return SetDeckValue(static_cast<uint16_t>((v * 128 + n) * 4), decks);
    return false;
}

bool ArdoLights::NoteOn(uint8_t note, uint8_t velocity, const std::array<bool, 2>& decks) {
    if (note < kGroup2First) return SetLed(groups_[0], note, velocity, decks);
    const uint8_t afterGroup2 = kGroup2First + group2Count_;
    if (note < afterGroup2) return SetLed(groups_[1], note - kGroup2First, velocity, decks);
    const uint8_t afterGroup3 = afterGroup2 + (ardo_ ? kGroup3Leds : 0);
    if (note < afterGroup3) return SetLed(groups_[2], note - afterGroup2, velocity, decks);
    // Then: ring indicator, (ARDO) group-3 indicator, two further indicators, two meters.
    int next = note - afterGroup3;
    if (next == 0) return RingIndicator(velocity, decks);
    if (ardo_ && next == 1) return Group3Indicator(velocity, decks);
    next -= ardo_ ? 2 : 1;
    if (next == 0 || next == 1) return FurtherIndicator(next, velocity, decks);
    if (next == 2 || next == 3) return LevelMeter(next - 2, velocity, decks);
    return false;
}

bool ArdoLights::SetLed(LedGroup& group, size_t index, uint8_t velocity,
                        const std::array<bool, 2>& decks) {
    group.Use();
    for (size_t d = 0; d < 2; ++d) {
        if (!decks[d]) continue;
        LedHalf& half = group.led(index).halves[d];
        half.value = (velocity & 7) == 7 ? kFull : 0;
        half.blinkCode = (velocity >> 3) & 7;
        half.blinkCounter = half.blinkCode;
        half.blinkDark = false;
        half.attribute = Attribute(velocity);
    }
    group.MarkChanged();
    return true;
}

bool ArdoLights::RingIndicator(uint8_t velocity, const std::array<bool, 2>& decks) {
    const uint32_t a = (uint32_t{velocity} * 1024) % 65536;
    const uint32_t f = a * 60 / 65536;
    LedGroup& rings = groups_[0];
    rings.Use();
    for (size_t i = 0; i < 2 * kRingLeds; ++i) {
        const bool lit = (f + i % kRingLeds) % kRingLeds <= 2;
        for (size_t d = 0; d < 2; ++d)
            if (decks[d]) rings.led(i).halves[d].SetSteady(lit ? kFull : 0, Attribute(velocity));
    }
    rings.MarkChanged();
    return true;
}

bool ArdoLights::Group3Indicator(uint8_t velocity, const std::array<bool, 2>& decks) {
    static constexpr std::array<uint8_t, 4> kFalloff{15, 11, 7, 3};
    const int p = velocity % 64;
    LedGroup& group = groups_[2];
    group.Use();
    for (size_t i = 0; i < kGroup3IndicatorLeds; ++i) {
        const int distance = std::abs(4 * static_cast<int>(i) - p);
        const uint8_t value = distance < 4 ? kFalloff[distance] : 0;
        for (size_t d = 0; d < 2; ++d)
            if (decks[d]) group.led(i).halves[d].SetSteady(value, Attribute(velocity));
    }
    group.MarkChanged();
    return true;
}

bool ArdoLights::FurtherIndicator(size_t ring, uint8_t velocity, const std::array<bool, 2>& decks) {
    const size_t length = std::min<size_t>(kRingLeds, ((velocity & 0x3F) + 1) / 2);
    LedGroup& rings = groups_[0];
    rings.Use();
    for (size_t i = 0; i < kRingLeds; ++i) {
        for (size_t d = 0; d < 2; ++d)
            if (decks[d])
                rings.led(ring * kRingLeds + i)
                    .halves[d]
                    .SetSteady(i < length ? kFull : 0, Attribute(velocity));
    }
    rings.MarkChanged();
    return true;
}

bool ArdoLights::LevelMeter(size_t meter, uint8_t velocity, const std::array<bool, 2>& decks) {
    const Meter next{static_cast<uint8_t>(((velocity & 0x3F) + 1) >> 2), Attribute(velocity)};
    bool changed = false;
    for (size_t d = 0; d < 2; ++d) {
        if (!decks[d]) continue;
        Meter& m = meters_[meter][d];
        changed |= m.level != next.level || m.attribute != next.attribute;
        m = next;
    }
    if (!changed) return false;
    groups_[0].Use();
    groups_[0].MarkChanged();
    return true;
}

bool ArdoLights::SetDeckValue(uint16_t value, const std::array<bool, 2>& decks) {
    for (size_t d = 0; d < 2; ++d) {
        if (!decks[d]) continue;
        deckValues_[d] = DeckValue{value, true, true};
    }
    groups_[0].Use();
    groups_[0].MarkChanged();
    return true;
}

void ArdoLights::Render(int64_t now, uint8_t deckBit, bool refresh,
                        std::vector<OutputReport>& out) {
    if (!ticking_) {
        ticking_ = true;
        lastTick_ = now;
    } else if (now - lastTick_ >= kBlinkPeriod) {
        for (LedGroup& group : groups_)
            group.Tick();
        lastTick_ += kBlinkPeriod;
        // After a long pause the phase restarts instead of catching up tick by tick.
        if (now - lastTick_ >= kBlinkPeriod) lastTick_ = now;
    }
    for (size_t g = 0; g < groupCount(); ++g) {
        if (!groups_[g].used()) continue;
        ComposeGroup(g, deckBit);
        if (groups_[g].Due(now, refresh)) AppendReports(g, out);
    }
}

void ArdoLights::RenderChanged(int64_t now, uint8_t deckBit, std::vector<OutputReport>& out) {
    for (size_t g = 0; g < groupCount(); ++g) {
        if (!groups_[g].used() || !groups_[g].changed()) continue;
        ComposeGroup(g, deckBit);
        if (groups_[g].Due(now, false)) AppendReports(g, out);
    }
}

void ArdoLights::ComposeGroup(size_t index, uint8_t deckBit) {
    for (size_t i = 0; i < groups_[index].size(); ++i)
        Compose(groups_[index], i, deckBit);
    if (index == 0) ComposeRingOverlays(deckBit);
}

void ArdoLights::Compose(LedGroup& group, size_t index, uint8_t deckBit) {
    group.shown()[index] = static_cast<uint8_t>(group.Displayed(index, 0, deckBit) |
                                                (group.Displayed(index, 1, deckBit) << 4));
}

void ArdoLights::ComposeRingOverlays(uint8_t deckBit) {
    std::vector<uint8_t>& shown = groups_[0].shown();
    for (size_t d = 0; d < 2; ++d) {
        for (size_t meter = 0; meter < 2; ++meter) {
            const Meter& m = meters_[meter][d];
            if (m.attribute && deckBit != d) continue;
            const size_t count = (size_t{m.level} * kRingLeds + 15) / 16;
            for (size_t j = 0; j < count && j < kRingLeds; ++j)
                Raise(shown[meter * kRingLeds + kRingLeds - 1 - j], d, kMeterBrightness);
        }
        if (!deckValues_[d].known) continue;
        const size_t marker = (size_t{deckValues_[d].value} * kRingLeds) >> 16;
        for (size_t ring = 0; ring < 2; ++ring)
            Raise(shown[ring * kRingLeds + marker], d, kDeckMarkerBrightness);
    }
}

void ArdoLights::AppendReports(size_t index, std::vector<OutputReport>& out) {
    const std::vector<uint8_t>& shown = groups_[index].shown();
    auto report = [&](uint8_t command, uint8_t length, size_t first, size_t count) {
        OutputReport r{};
        r[1] = command;
        r[2] = length;
        std::copy_n(shown.begin() + static_cast<std::ptrdiff_t>(first), count, r.begin() + 3);
        out.push_back(r);
    };
    if (index == 0) {
        report(20, 32, 0, kRingLeds);
        report(21, 32, kRingLeds, kRingLeds);
    } else if (index == 1) {
        report(22, ardo_ ? 24 : 25, 0, group2Count_);
    } else {
        report(23, 22, 0, kGroup3Leds);
    }
}

bool ArdoLights::TakeDeckValues(OutputReport& report) {
    if (!deckValues_[0].pending && !deckValues_[1].pending) return false;
    report = OutputReport{};
    report[1] = 6;
    report[2] = 7;
    report[3] =
        static_cast<uint8_t>((deckValues_[0].pending ? 1 : 0) | (deckValues_[1].pending ? 2 : 0));
    for (size_t d = 0; d < 2; ++d) {
        report[4 + 2 * d] = static_cast<uint8_t>(deckValues_[d].value & 0xFF);
        report[5 + 2 * d] = static_cast<uint8_t>(deckValues_[d].value >> 8);
        deckValues_[d].pending = false;
    }
    return true;
}

void ArdoLights::ResetOutput() {
    for (LedGroup& group : groups_)
        group.ClearChanged();
    for (DeckValue& value : deckValues_)
        value.pending = false;
}

}  // namespace qmt
