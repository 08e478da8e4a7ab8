#include "platform/linux/MidiEventCodec.h"

namespace qmt {

MidiEventCodec::MidiEventCodec() {
    if (snd_midi_event_new(kBufferBytes, &encoder_) < 0) encoder_ = nullptr;
    if (snd_midi_event_new(kBufferBytes, &decoder_) < 0) decoder_ = nullptr;
    if (decoder_ != nullptr) snd_midi_event_no_status(decoder_, 1);
}

MidiEventCodec::~MidiEventCodec() {
    if (encoder_ != nullptr) snd_midi_event_free(encoder_);
    if (decoder_ != nullptr) snd_midi_event_free(decoder_);
}

std::vector<snd_seq_event_t> MidiEventCodec::Encode(std::span<const uint8_t> bytes) {
    std::vector<snd_seq_event_t> events;
    if (encoder_ == nullptr) return events;
    snd_midi_event_reset_encode(encoder_);
    size_t done = 0;
    while (done < bytes.size()) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        const long used = snd_midi_event_encode(encoder_, bytes.data() + done,
                                                static_cast<long>(bytes.size() - done), &event);
        if (used <= 0) break;
        done += static_cast<size_t>(used);
        if (event.type != SND_SEQ_EVENT_NONE) events.push_back(event);
    }
    return events;
}

std::vector<uint8_t> MidiEventCodec::Decode(const snd_seq_event_t& event) {
    if (decoder_ == nullptr) return {};
    std::vector<uint8_t> bytes(event.type == SND_SEQ_EVENT_SYSEX ? event.data.ext.len + 16 : 16);
    snd_midi_event_reset_decode(decoder_);
    const long n =
        snd_midi_event_decode(decoder_, bytes.data(), static_cast<long>(bytes.size()), &event);
    if (n <= 0) return {};
    bytes.resize(static_cast<size_t>(n));
    return bytes;
}

}  // namespace qmt
