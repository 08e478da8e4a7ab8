#include "midiconfig/HidStateDecoder.h"

#include "engine/ReportBytes.h"
#include "model/Catalogue.h"

namespace qmt {

namespace {

using Bytes = std::span<const uint8_t>;

constexpr size_t kKv10Length = 11;
constexpr size_t kKv5Length = 17;
constexpr size_t kArdoLength = 65;
constexpr uint8_t kControlReportMark = 53;  // byte 2 of every ARDO-family control report

void Absolute(HidControlState& s, uint16_t before, uint16_t now) {
    s.absoluteOld[s.absoluteCount] = before;
    s.absoluteNew[s.absoluteCount] = now;
    ++s.absoluteCount;
}

void AbsoluteAt(HidControlState& s, Bytes previous, Bytes report, size_t offset,
                uint16_t keep = 0xFFFF) {
    Absolute(s, ReportU16(previous, offset) & keep, ReportU16(report, offset) & keep);
}

void Rotary(HidControlState& s, int32_t movement) {
    s.rotary[s.rotaryCount++] = movement;
}

// The four small wheels' 8-bit counters, NE, SE, SW, NW from `offset` on.
void SmallWheels(HidControlState& s, Bytes previous, Bytes report, size_t offset) {
    for (size_t i = 0; i < 4; ++i)
        Rotary(s, CounterDelta8(report[offset + i], previous[offset + i]));
}

void Touch(HidControlState& s, Bytes previous, Bytes report, size_t xAt, size_t yAt) {
    s.hasTouch = true;
    s.touchOld = {ReportU16(previous, xAt), ReportU16(previous, yAt)};
    s.touchNew = {ReportU16(report, xAt), ReportU16(report, yAt)};
}

void Pads(HidControlState& s, Bytes previous, Bytes report, size_t offset) {
    s.padCount = HidControlState::kMaxPads;
    for (size_t i = 0; i < HidControlState::kMaxPads; ++i) {
        s.padOld[i] = ReportU16(previous, offset + 2 * i);
        s.padNew[i] = ReportU16(report, offset + 2 * i);
    }
}

void DecodeKv10(Bytes previous, Bytes report, HidControlState& s) {
    // Counter B counts every wheel tick, counter A the backward ones: forward minus backward.
    const uint16_t all = static_cast<uint16_t>(ReportU16(report, 3) - ReportU16(previous, 3));
    const uint16_t back = static_cast<uint16_t>(ReportU16(report, 1) - ReportU16(previous, 1));
    Rotary(s, int32_t{all} - 2 * int32_t{back});
    AbsoluteAt(s, previous, report, 5);
    s.buttons = ReportU32(report, 7);
}

void DecodeKv5(Bytes previous, Bytes report, HidControlState& s) {
    Rotary(s, static_cast<int16_t>(ReportU16(report, 2) - ReportU16(previous, 2)));
    AbsoluteAt(s, previous, report, 10);
    s.buttons = ReportU32(report, 12);
}

uint16_t ArdoSlider(Bytes report) {
    const size_t liveDeckAt = (report[53] & 1) != 0 ? 45 : 43;  // deck bit set: first preset
    return static_cast<uint16_t>(ReportU16(report, 11) + ReportU16(report, liveDeckAt));
}

void DecodeArdo(Bytes previous, Bytes report, HidControlState& s) {
    Rotary(s, ReportI16(report, 5));
    SmallWheels(s, previous, report, 15);
    Absolute(s, ArdoSlider(previous), ArdoSlider(report));
    for (size_t i = 0; i < 10; ++i)  // "Gain left" to "Headphone volume"; two noise bits
        AbsoluteAt(s, previous, report, 19 + 2 * i, 0xFFFC);
    Touch(s, previous, report, 41, 39);
    s.buttons = ReportU32(report, 47);
}

void DecodeProto(Bytes previous, Bytes report, HidControlState& s) {
    Rotary(s, ReportI16(report, 10));
    SmallWheels(s, previous, report, 12);
    Rotary(s, CounterDelta8(report[49], previous[49]));
    AbsoluteAt(s, previous, report, 40);  // "Slider", "Slider #2"
    AbsoluteAt(s, previous, report, 42);
    for (size_t i = 0; i < 6; ++i)  // gain, treble, mid, bass left, crossfader, headphone
        AbsoluteAt(s, previous, report, 16 + 2 * i, 0xFFFC);
    Touch(s, previous, report, 38, 36);
    Pads(s, previous, report, 28);
    s.buttons = ReportU32(report, 44);
}

void DecodeArdoRaw(Bytes previous, Bytes report, HidControlState& s) {
    constexpr size_t kSelectorAt = 48;
    constexpr uint64_t kFirstSelectorSlot = 29;  // "Selector 1"; position 3 selects it
    Rotary(s, ReportI16(report, 10));
    SmallWheels(s, previous, report, 44);
    for (size_t offset : {12, 14, 28, 30})  // "Slider", "Slider #2", crossfader, headphone
        AbsoluteAt(s, previous, report, offset);
    for (size_t i = 0; i < 4; ++i)  // endless knobs: the counter as the high byte
        Absolute(s, uint16_t(previous[40 + i] << 8), uint16_t(report[40 + i] << 8));
    Touch(s, previous, report, 24, 26);
    Pads(s, previous, report, 16);
    s.buttons = ReportU32(report, 49);
    const uint8_t position = report[kSelectorAt];
    if (position <= 3 && position != previous[kSelectorAt])
        s.buttons |= uint64_t{1} << (kFirstSelectorSlot + (3 - position));
}

}  // namespace

size_t LiveReportLength(uint32_t modelType) {
    switch (modelType) {
        case kModelKv10:
            return kKv10Length;
        case kModelKv5:
            return kKv5Length;
        case kModelArdo:
        case kModelArdoRawProto2009:
        case kModelArdoRaw:
            return kArdoLength;
        default:
            return 0;
    }
}

bool IsControlReport(uint32_t modelType, std::span<const uint8_t> report) {
    if (report.size() != LiveReportLength(modelType) || report.empty()) return false;
    switch (modelType) {
        case kModelKv10:
            return report[0] == 0;
        case kModelKv5:
            return report[0] == 0 && report[1] == 0;
        default:
            return report[0] == 0 && report[1] == 0 && report[2] == kControlReportMark;
    }
}

bool DecodeHidState(uint32_t modelType, std::span<const uint8_t> previous,
                    std::span<const uint8_t> report, HidControlState& state) {
    const size_t length = LiveReportLength(modelType);
    if (length == 0 || report.size() != length || previous.size() != length) return false;
    const size_t index = state.deviceIndex;
    state = HidControlState{};
    state.modelType = static_cast<uint8_t>(modelType);
    state.deviceIndex = index;
    switch (modelType) {
        case kModelKv10:
            DecodeKv10(previous, report, state);
            break;
        case kModelKv5:
            DecodeKv5(previous, report, state);
            break;
        case kModelArdo:
            DecodeArdo(previous, report, state);
            break;
        case kModelArdoRawProto2009:
            DecodeProto(previous, report, state);
            break;
        default:
            DecodeArdoRaw(previous, report, state);
            break;
    }
    return true;
}

}  // namespace qmt
