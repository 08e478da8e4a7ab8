#pragma once
// Turns control events into MIDI: button state machine, relative and absolute controls,
// velocity pads, and the state refresh when a mapping becomes live.

#include <array>
#include <cstdint>

#include "engine/MidiOutput.h"
#include "engine/MidiSink.h"
#include "engine/MidiState.h"
#include "model/Preset.h"

namespace qmt {

struct Mapping;

// The two model families differ in how a modifier assignment becomes eligible.
enum class ModelFamily : uint8_t {
    Kv,    // KV5, KV10: per-assignment grace time after the modifier is released
    Ardo,  // ARDO models: two presets with deck select; the held state carries the timeout
};

// Held state of every control identifier as the decoder sees it; entry 88 ("no control")
// and identifiers that are not buttons of the model are always false.
using HeldTable = std::array<bool, kControlCount + 1>;

// What one control event is evaluated against.
struct ControlContext {
    ModelFamily family = ModelFamily::Kv;
    bool live = true;  // the assignments belong to the live preset (always true on KV)
    const HeldTable* held = nullptr;
    int64_t now = 0;  // port clock, 100 ns; also the time stamp of every message sent
};

class ActionEngine {
  public:
    ActionEngine(MidiSinkIf& sink, MidiState& state)
        : sink_(sink), state_(state), output_(sink, state) {}

    MidiSinkIf& sink() { return sink_; }
    MidiState& state() { return state_; }

    // Sends the first (which = 0) or second (which = 1) message as a button action.
    void ButtonMessage(const Assignment& assignment, int which, int64_t now);

    // The button state machine for one control on one report (both passes).
    void ButtonEvents(AssignmentList& list, const ControlContext& context, bool pressed);

    // One assignment's evaluation; true when a step was made / a message was sent.
    bool RotateEvent(Assignment& assignment, int32_t movement, int64_t now);
    bool SlideEvent(Assignment& assignment, uint16_t position, int64_t now);
    void PadEvent(Assignment& assignment, uint16_t pressure, int64_t now);

    // Two-pass handling of a rotary / absolute control's assignments with the modifier rule.
    void RotaryEvents(AssignmentList& list, const ControlContext& context, int32_t movement);
    void SlideEvents(AssignmentList& list, const ControlContext& context, uint16_t position);
    // Velocity pad: an evaluated assignment gets PadEvent only when the pressure differs
    // from its last pressure; the others just remember the pressure.
    void PadEvents(AssignmentList& list, const ControlContext& context, uint16_t pressure);

    // Repeats the stored controller values, programs and pitch for everything the
    // mapping's presets use (shared copies skipped), all with time stamp `now`.
    void ResendControllerState(const Mapping& mapping, int64_t now);

    // Makes an absolute assignment's accumulator follow a position without sending, as
    // SlideEvent would see it ("Inverted" included), so that it does not jump when it next
    // acts. For presets becoming live and for assignments that do not act.
    static void TrackPosition(Assignment& assignment, uint16_t position);

  private:
    // Button machine steps.
    void Press(Assignment& assignment, int64_t now);
    void Release(Assignment& assignment, int64_t now);
    void Repeat(Assignment& assignment, int64_t now);

    // Relative evaluation by message kind; `a` is the accumulated movement, `t` the threshold.
    bool RotateNotes(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                     int64_t now);
    bool RotateValue(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                     int64_t now);
    bool RotateIncrement(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                         int64_t now);
    bool RotatePitch(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                     int64_t now);
    bool RotatePitchIncrement(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                              int64_t now);
    bool RotateOnce(Assignment& assignment, const Message& message, int64_t a, int64_t t,
                    int64_t now);

    // Absolute evaluation.
    bool SlideNotes(Assignment& assignment, const Message& message, int64_t delta, int64_t t,
                    int64_t now);
    void SlideValue(const Message& message, uint16_t position, int64_t now);

    // Messages with no state that several event types send the same way.
    void SendStateless(const Message& message, int64_t now);

    MidiSinkIf& sink_;
    MidiState& state_;
    MidiOutput output_;
};

}  // namespace qmt
