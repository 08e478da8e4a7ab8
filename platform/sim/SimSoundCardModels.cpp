#include "platform/sim/SimSoundCardModels.h"

namespace qmt {

namespace {

SimPinProfile streamingPin(KSPIN_DATAFLOW flow, std::vector<KSDATARANGE_AUDIO> ranges,
                           std::vector<uint32_t> masks) {
    SimPinProfile pin;
    pin.dataFlow = flow;
    pin.communication = KSPIN_COMMUNICATION_SINK;
    pin.name = flow == KSPIN_DATAFLOW_IN ? "Playback" : "Capture";
    pin.ranges = std::move(ranges);
    pin.channelMasks = std::move(masks);
    return pin;
}

SimPinProfile bridgePin(KSPIN_DATAFLOW flow, const char* name) {
    SimPinProfile pin;
    pin.dataFlow = flow;
    pin.communication = KSPIN_COMMUNICATION_NONE;
    pin.name = name;
    return pin;
}

}  // namespace

SimSoundCardProfile SimUsbAudioCardProfile(const std::string& name, const SimPinProfile* render,
                                           const SimPinProfile* capture) {
    SimSoundCardProfile card;
    card.name = name;
    if (render != nullptr) {
        card.pins.push_back(*render);
        card.pins.push_back(bridgePin(KSPIN_DATAFLOW_OUT, "Speaker"));
    }
    if (capture != nullptr) {
        card.pins.push_back(bridgePin(KSPIN_DATAFLOW_IN, "Line In"));
        card.pins.push_back(*capture);
    }
    return card;
}

SimSoundCardProfile SimKrt4SoundCardProfile(SimKrt4Mode mode) {
    if (mode == SimKrt4Mode::EightOutTwoIn) {
        SimPinProfile render =
            streamingPin(KSPIN_DATAFLOW_IN, {MakePcmDataRange(8, 16, 16, 44100, 44100)}, {});
        render.refusesExtensible = true;
        const SimPinProfile capture =
            streamingPin(KSPIN_DATAFLOW_OUT, {MakePcmDataRange(2, 16, 16, 44100, 44100)}, {0x3});
        return SimUsbAudioCardProfile("KRT4 Audio", &render, &capture);
    }
    const SimPinProfile render =
        streamingPin(KSPIN_DATAFLOW_IN, {MakePcmDataRange(4, 16, 16, 44100, 44100)}, {0x33});
    const SimPinProfile capture =
        streamingPin(KSPIN_DATAFLOW_OUT, {MakePcmDataRange(4, 16, 16, 44100, 44100)}, {0x33});
    return SimUsbAudioCardProfile("KRT4 Audio", &render, &capture);
}

SimSoundCardProfile SimSoundCardProfileFor(SimControllerModel model) {
    switch (model) {
        case SimControllerModel::Kv10: {
            const SimPinProfile render = streamingPin(KSPIN_DATAFLOW_IN,
                                                      {MakePcmDataRange(2, 16, 16, 32000, 32000),
                                                       MakePcmDataRange(2, 16, 16, 44100, 44100),
                                                       MakePcmDataRange(2, 16, 16, 48000, 48000)},
                                                      {0x3});
            return SimUsbAudioCardProfile("USB Audio DAC", &render, nullptr);
        }
        case SimControllerModel::Kv5: {
            const SimPinProfile render = streamingPin(KSPIN_DATAFLOW_IN,
                                                      {MakePcmDataRange(2, 16, 24, 44100, 44100),
                                                       MakePcmDataRange(2, 16, 24, 48000, 48000)},
                                                      {0x3});
            return SimUsbAudioCardProfile("KV5 Audio", &render, nullptr);
        }
        case SimControllerModel::Ardo:
        case SimControllerModel::ArdoRaw: {
            const SimPinProfile render = streamingPin(KSPIN_DATAFLOW_IN,
                                                      {MakePcmDataRange(6, 16, 24, 44100, 44100),
                                                       MakePcmDataRange(6, 16, 16, 48000, 48000)},
                                                      {0x3F});
            return SimUsbAudioCardProfile("ARDO Audio", &render, nullptr);
        }
        case SimControllerModel::Krt4:
            break;
    }
    return SimKrt4SoundCardProfile(SimKrt4Mode::EightOutTwoIn);
}

}  // namespace qmt
