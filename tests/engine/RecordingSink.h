#pragma once
// A sink that remembers every call, for tests of the engine and the decoders. `calls` shows
// which queue operation was used; `messages()` shows what an application would receive.

#include <cstdint>
#include <vector>

#include "engine/MidiSink.h"

namespace qmt::test {

using Bytes = std::vector<uint8_t>;

enum class SinkOp { One, Pair, AllChannels, PairOnAllChannels, Marked, PairOnMarked, Extended };

struct SinkCall {
    SinkOp op = SinkOp::One;
    uint32_t first = 0;
    uint32_t second = 0;
    ChannelMask marked{};
    Bytes extended;
    int64_t time = 0;
};

// The bytes of a short message word.
inline Bytes BytesOf(uint32_t word) {
    Bytes bytes{WordStatus(word), WordData1(word)};
    if (WordLength(word) == 3) bytes.push_back(WordData2(word));
    return bytes;
}

class RecordingSink : public MidiSinkIf {
  public:
    std::vector<SinkCall> calls;

    void clear() { calls.clear(); }

    void SendOne(uint32_t word, int64_t time) override {
        calls.push_back({SinkOp::One, word, 0, {}, {}, time});
    }
    void SendPair(uint32_t first, uint32_t second, int64_t time) override {
        calls.push_back({SinkOp::Pair, first, second, {}, {}, time});
    }
    void SendOnAllChannels(uint32_t word, int64_t time) override {
        calls.push_back({SinkOp::AllChannels, word, 0, {}, {}, time});
    }
    void SendPairOnAllChannels(uint32_t first, uint32_t second, int64_t time) override {
        calls.push_back({SinkOp::PairOnAllChannels, first, second, {}, {}, time});
    }
    void SendOnMarkedChannels(uint32_t word, const ChannelMask& marked, int64_t time) override {
        calls.push_back({SinkOp::Marked, word, 0, marked, {}, time});
    }
    void SendPairOnMarkedChannels(uint32_t first, uint32_t second, const ChannelMask& marked,
                                  int64_t time) override {
        calls.push_back({SinkOp::PairOnMarked, first, second, marked, {}, time});
    }
    void SendExtended(const uint8_t* bytes, uint8_t length, int64_t time) override {
        calls.push_back({SinkOp::Extended, 0, 0, {}, Bytes(bytes, bytes + length), time});
    }

    // Every message in queue order, the channel operations expanded.
    std::vector<Bytes> messages() const {
        Expander expander;
        for (const SinkCall& call : calls)
            Replay(call, expander);
        return expander.messages;
    }

    // The time stamps of every message, in the same order as messages().
    std::vector<int64_t> times() const {
        Expander expander;
        for (const SinkCall& call : calls)
            Replay(call, expander);
        return expander.times;
    }

  private:
    struct Expander : MessageSinkAbs {
        std::vector<Bytes> messages;
        std::vector<int64_t> times;
        void Short(uint32_t word, int64_t time) override {
            messages.push_back(BytesOf(word));
            times.push_back(time);
        }
        void Extended(const uint8_t* bytes, uint8_t length, int64_t time) override {
            messages.emplace_back(bytes, bytes + length);
            times.push_back(time);
        }
    };

    static void Replay(const SinkCall& call, MidiSinkIf& to) {
        switch (call.op) {
            case SinkOp::One:
                to.SendOne(call.first, call.time);
                break;
            case SinkOp::Pair:
                to.SendPair(call.first, call.second, call.time);
                break;
            case SinkOp::AllChannels:
                to.SendOnAllChannels(call.first, call.time);
                break;
            case SinkOp::PairOnAllChannels:
                to.SendPairOnAllChannels(call.first, call.second, call.time);
                break;
            case SinkOp::Marked:
                to.SendOnMarkedChannels(call.first, call.marked, call.time);
                break;
            case SinkOp::PairOnMarked:
                to.SendPairOnMarkedChannels(call.first, call.second, call.marked, call.time);
                break;
            case SinkOp::Extended:
                to.SendExtended(call.extended.data(), static_cast<uint8_t>(call.extended.size()),
                                call.time);
                break;
        }
    }
};

}  // namespace qmt::test
