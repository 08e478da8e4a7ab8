#pragma once
// The only way the engine emits MIDI. The driver implements it over its capture queues;
// tests and tools use recording or no-op implementations.
//
// A short message is one 32-bit word: status in bits 0-7, first data byte in bits 8-15,
// second data byte in bits 16-23, byte count (2 or 3) in bits 24-31. Times are in
// 100-nanosecond units of the port clock.

#include <array>
#include <cstdint>

namespace qmt {

using ChannelMask = std::array<bool, 16>;

constexpr uint32_t MidiWord(uint8_t status, uint8_t data1) {
    return uint32_t{status} | (uint32_t{data1} << 8) | (2u << 24);
}
constexpr uint32_t MidiWord(uint8_t status, uint8_t data1, uint8_t data2) {
    return uint32_t{status} | (uint32_t{data1} << 8) | (uint32_t{data2} << 16) | (3u << 24);
}
constexpr uint8_t WordStatus(uint32_t word) { return word & 0xFF; }
constexpr uint8_t WordData1(uint32_t word) { return (word >> 8) & 0xFF; }
constexpr uint8_t WordData2(uint32_t word) { return (word >> 16) & 0xFF; }
constexpr uint8_t WordLength(uint32_t word) { return (word >> 24) & 0xFF; }
// The same message on another channel (the status's low nibble replaced).
constexpr uint32_t WordOnChannel(uint32_t word, uint8_t channel) {
    return (word & ~0x0Fu) | (channel & 0x0Fu);
}

class MidiSinkIf {
public:
    virtual ~MidiSinkIf() = default;
    virtual void SendOne(uint32_t word, int64_t time) = 0;
    virtual void SendPair(uint32_t first, uint32_t second, int64_t time) = 0;
    // The message 16 times, channel 0 to 15.
    virtual void SendOnAllChannels(uint32_t word, int64_t time) = 0;
    virtual void SendPairOnAllChannels(uint32_t first, uint32_t second, int64_t time) = 0;
    // Like SendOnAllChannels, but only for the marked channels.
    virtual void SendOnMarkedChannels(uint32_t word, const ChannelMask& marked, int64_t time) = 0;
    virtual void SendPairOnMarkedChannels(uint32_t first, uint32_t second,
                                          const ChannelMask& marked, int64_t time) = 0;
    // One extended message of 1 to 255 bytes, sent exactly as stored.
    virtual void SendExtended(const uint8_t* bytes, uint8_t length, int64_t time) = 0;
};

// Expands every operation into single messages; a base for sinks that only care about the
// messages themselves (tests, the dry-run tool).
class MessageSinkAbs : public MidiSinkIf {
public:
    virtual void Short(uint32_t word, int64_t time) = 0;
    virtual void Extended(const uint8_t* bytes, uint8_t length, int64_t time) = 0;

    void SendOne(uint32_t word, int64_t time) override { Short(word, time); }
    void SendPair(uint32_t first, uint32_t second, int64_t time) override {
        Short(first, time);
        Short(second, time);
    }
    void SendOnAllChannels(uint32_t word, int64_t time) override {
        for (uint8_t c = 0; c < 16; ++c) Short(WordOnChannel(word, c), time);
    }
    void SendPairOnAllChannels(uint32_t first, uint32_t second, int64_t time) override {
        for (uint8_t c = 0; c < 16; ++c) {
            Short(WordOnChannel(first, c), time);
            Short(WordOnChannel(second, c), time);
        }
    }
    void SendOnMarkedChannels(uint32_t word, const ChannelMask& marked, int64_t time) override {
        for (uint8_t c = 0; c < 16; ++c)
            if (marked[c]) Short(WordOnChannel(word, c), time);
    }
    void SendPairOnMarkedChannels(uint32_t first, uint32_t second, const ChannelMask& marked,
                                  int64_t time) override {
        for (uint8_t c = 0; c < 16; ++c) {
            if (!marked[c]) continue;
            Short(WordOnChannel(first, c), time);
            Short(WordOnChannel(second, c), time);
        }
    }
    void SendExtended(const uint8_t* bytes, uint8_t length, int64_t time) override {
        Extended(bytes, length, time);
    }
};

}  // namespace qmt
