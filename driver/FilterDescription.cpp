#include "driver/FilterDescription.h"

namespace qmt {

namespace {

const Guid kCategoryAudio = ParseGuid("6994AD04-93EF-11D0-A3CC-00A0C9223196");
const Guid kCategoryRender = ParseGuid("65E8773E-8F56-11D0-A3B9-00A0C9223196");
const Guid kCategoryCapture = ParseGuid("65E8773D-8F56-11D0-A3B9-00A0C9223196");
const Guid kTypeMusic = ParseGuid("E725D360-62CC-11CF-A5D6-28DB04C10000");
const Guid kSubtypeMidi = ParseGuid("1D262760-E957-11CF-A5D6-28DB04C10000");
const Guid kSubtypeDirectMusic = ParseGuid("1A82F8BC-3F8B-11D2-B774-0060083316C1");
const Guid kSubtypeMidiBus = ParseGuid("2CA15FA0-6CFE-11CF-A5D6-28DB04C10000");
const Guid kSpecifierNone = ParseGuid("0F6417D6-C318-11D0-A43F-00A0C9223196");
const Guid kNodeSynthesizer = ParseGuid("DFF220F3-F70F-11D0-B917-00A0C9223196");
const Guid kNameMidi = ParseGuid("185FEDF8-9905-11D1-95A9-00C04FB925D3");
const Guid kNameDirectMusicRender = ParseGuid("6B2E4F17-3A7C-4D58-B2E9-0C4F7A9D13E6");
const Guid kNameCapture = ParseGuid("6B2E4F16-3A7C-4D58-B2E9-0C4F7A9D13E6");

DataRange MusicRange(const Guid& subFormat, const Guid& technology) {
    return DataRange{kTypeMusic, subFormat, kSpecifierNone, true, technology, 0, 0, 0xFFFF};
}

PinDescription StreamingPin(PinDataFlow flow, std::vector<DataRange> ranges,
                            std::optional<Guid> name) {
    return PinDescription{flow,
                          PinCommunication::Sink,
                          std::move(ranges),
                          kUnlimitedInstances,
                          kUnlimitedInstances,
                          0,
                          kCategoryAudio,
                          name};
}

PinDescription BridgePin(PinDataFlow flow) {
    const DataRange bus{kTypeMusic, kSubtypeMidiBus, kSpecifierNone, false, {}, 0, 0, 0};
    return PinDescription{flow, PinCommunication::None, {bus}, 0, 0, 0, kCategoryAudio, {}};
}

}  // namespace

FilterDescription MakeFilterDescription(const Guid& midiTechnology, const Guid& dmusTechnology) {
    const DataRange midi = MusicRange(kSubtypeMidi, midiTechnology);
    const DataRange dmus = MusicRange(kSubtypeDirectMusic, dmusTechnology);
    FilterDescription d;
    d.pins = {StreamingPin(PinDataFlow::In, {midi}, kNameMidi),
              StreamingPin(PinDataFlow::In, {dmus}, kNameDirectMusicRender),
              BridgePin(PinDataFlow::Out), BridgePin(PinDataFlow::In),
              StreamingPin(PinDataFlow::Out, {midi, dmus}, kNameCapture)};
    d.nodeTypes = {kNodeSynthesizer, kNodeSynthesizer};
    d.connections = {{kFilterNode, 0, kFilterNode, 2},
                     {kFilterNode, 1, 0, kNodeInputPin},
                     {0, kNodeOutputPin, kFilterNode, 2},
                     {kFilterNode, 3, 1, kNodeInputPin},
                     {1, kNodeOutputPin, kFilterNode, 4}};
    d.categories = {kCategoryAudio, kCategoryRender, kCategoryCapture};
    return d;
}

}  // namespace qmt
