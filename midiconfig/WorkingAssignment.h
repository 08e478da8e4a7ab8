#pragma once
// The assignment panel's working copy. Unlike the preset's compact assignment, whose message
// fields are shared between the kinds, it keeps one value per panel field, so switching a
// message's kind back and forth shows each kind's own values (a new note starts at
// velocity 127, a new pitch wheel value at the centre, 8192). Converting it back keeps
// only what the preset file stores for the kind and event type.

#include <array>
#include <cstdint>
#include <vector>

#include "model/Preset.h"

namespace qmt {

struct WorkingMessage {
    uint8_t kind = kMsgNone;
    uint8_t channel = kChannelDefault;
    double threshold = 1.0;  // movement per step, in the panel's units (file value / 4096)
    uint8_t encoding = 0;
    uint8_t note = 0;
    uint8_t velocity = 0;  // note velocity or aftertouch pressure
    uint8_t controller = 0;
    uint8_t value = 0;  // control change value
    int16_t step = 0;   // control change (inc) step
    uint8_t min = 0;
    uint8_t max = 127;
    uint8_t program = 0;
    int16_t programStep = 0;
    uint8_t programMin = 0;
    uint8_t programMax = 127;
    uint8_t command = 0;
    uint16_t pitchValue = 8192;
    int16_t pitchStep = 0;
    uint16_t pitchMin = 0;
    uint16_t pitchMax = 16383;
    uint8_t hiResController = 0;
    uint16_t hiResValue = 0;
    int16_t hiResStep = 0;
    uint16_t hiResMin = 0;
    uint16_t hiResMax = 16383;
    std::vector<uint8_t> extended;
    uint32_t keyApplication = 0;  // "Key": kept as read, never edited
    uint32_t keyCode = 0;
};

struct WorkingAssignment {
    uint8_t modifier = kNoControl;
    uint8_t function = kTrigger;
    uint32_t intervalMs = 50;
    uint32_t releaseTimeoutMs = 0;
    bool inverted = false;
    std::array<WorkingMessage, 2> messages;
};

// Rotate and Slide: the event types a threshold and "Inverted" belong to.
bool IsContinuous(uint8_t function);

// The new assignment a control gets: no modifier, 50 ms interval, no release timeout, both
// messages "None" on the default channel, and the function the control's kind allows
// ("Trigger" for buttons).
WorkingAssignment DefaultWorkingAssignment(uint8_t control);

// The working copy of a stored assignment: the fields its messages store for their kind
// and event type, every other field at its default.
WorkingAssignment ToWorking(const Assignment& stored, uint8_t control);
// The stored form: only what the file keeps for each message's kind and the event type.
Assignment FromWorking(const WorkingAssignment& working);

// The stored assignment reduced to the fields the file keeps (run-time state cleared), so
// that two assignments that would be saved alike compare equal.
Assignment Normalized(const Assignment& stored);
// True when the two would be saved alike.
bool SameAssignment(const Assignment& a, const Assignment& b);

}  // namespace qmt
