#pragma once
// Small builders for messages and assignments in engine tests:
//   Msg(kMsgControlChange, 1).number(7).value(99)
//   Assign(kTrigger, Msg(kMsgNote, 0).number(60).value(100)).modifier(10).releaseMs(500)

#include <cstdint>
#include <utility>
#include <vector>

#include "model/Preset.h"

namespace qmt::test {

// Milliseconds in port clock units (100 ns).
constexpr int64_t Ms(int64_t ms) {
    return ms * 10000;
}

struct Msg {
    Message m;

    Msg(uint8_t kind, uint8_t channel) {
        m.kind = kind;
        m.channel = channel;
    }
    Msg& number(uint8_t n) { return m.number = n, *this; }
    Msg& value(uint16_t v) { return m.value = v, *this; }
    Msg& range(uint16_t min, uint16_t max) { return m.min = min, m.max = max, *this; }
    Msg& step(int16_t s) { return m.step = s, *this; }
    Msg& threshold(int32_t t) { return m.threshold = t, *this; }
    Msg& encoding(uint8_t e) { return m.encoding = e, *this; }
    Msg& bytes(std::vector<uint8_t> b) { return m.extended = std::move(b), *this; }
    operator Message() const { return m; }
};

struct Assign {
    Assignment a;

    explicit Assign(uint8_t function, Message first = {}, Message second = {}) {
        a.function = function;
        a.messages = {std::move(first), std::move(second)};
    }
    Assign& modifier(uint8_t control) { return a.modifier = control, *this; }
    Assign& releaseMs(int64_t ms) { return a.releaseTimeout = Ms(ms), *this; }
    Assign& intervalMs(int64_t ms) { return a.interval = Ms(ms), *this; }
    Assign& inverted() { return a.inverted = true, *this; }
    Assign& accumulator(int64_t value) { return a.accumulator = value, *this; }
    operator Assignment() const { return a; }
};

}  // namespace qmt::test
