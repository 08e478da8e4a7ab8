#pragma once
// The filter the port publishes for the miniport: five pins, two synthesizer nodes and
// the connections between them, with the music technology of the miniport in the MIDI
// and DirectMusic data ranges.

#include <cstdint>
#include <optional>
#include <vector>

#include "common/Guid.h"

namespace qmt {

inline constexpr uint32_t kUnlimitedInstances = 0xFFFFFFFF;
// A connection end on the filter itself rather than on a node.
inline constexpr uint32_t kFilterNode = 0xFFFFFFFF;
// Pin numbers of a node's input and output.
inline constexpr uint32_t kNodeInputPin = 1;
inline constexpr uint32_t kNodeOutputPin = 0;

struct DataRange {
    Guid majorFormat{};
    Guid subFormat{};
    Guid specifier{};
    bool music = true;  // a music range carries technology, channels, notes and mask
    Guid technology{};
    uint32_t channels = 0;
    uint32_t notes = 0;
    uint32_t channelMask = 0;
};

enum class PinDataFlow : uint8_t { In, Out };
enum class PinCommunication : uint8_t { None, Sink };

struct PinDescription {
    PinDataFlow flow = PinDataFlow::In;
    PinCommunication communication = PinCommunication::None;
    std::vector<DataRange> ranges;
    uint32_t globalInstances = 0;
    uint32_t filterInstances = 0;
    uint32_t minimumInstances = 0;
    Guid category{};
    std::optional<Guid> name;
};

struct Connection {
    uint32_t fromNode = kFilterNode;
    uint32_t fromPin = 0;
    uint32_t toNode = kFilterNode;
    uint32_t toPin = 0;
};

struct FilterDescription {
    std::vector<PinDescription> pins;
    std::vector<Guid> nodeTypes;
    std::vector<Connection> connections;
    std::vector<Guid> categories;
};

FilterDescription MakeFilterDescription(const Guid& midiTechnology, const Guid& dmusTechnology);

}  // namespace qmt
