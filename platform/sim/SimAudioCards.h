#pragma once
// The sound-card service of the simulated platform: the audio interfaces of the sim device
// tree open as the simulated cards of their controllers' models. A controller keeps its card
// (with its signal, recording and failures) while it is unplugged and plugged again; the
// unplug reaches the card at once, so open pins fail the way a pulled USB cable makes them.
//
// Tests move the cards' clocks by hand; the demo starts a thread that moves them with real
// time, waking when the next request is due as a card's interrupt would. The registry of cards
// has its own mutex, taken before a card's.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/AudioCardService.h"
#include "platform/RealtimeScheduler.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimSoundCard.h"

namespace qmt {

class SimAudioCards final : public AudioCardServiceIf {
  public:
    explicit SimAudioCards(SimDeviceTree& tree);
    ~SimAudioCards() override;
    SimAudioCards(const SimAudioCards&) = delete;
    SimAudioCards& operator=(const SimAudioCards&) = delete;

    // The card of a controller the tree knows, made from its model's profile at first use; null
    // for an unknown controller.
    std::shared_ptr<SimSoundCard> card(int controller);

    // Every card's clock.
    void advanceFrames(uint32_t frames);
    void advanceTime(int64_t nanoseconds);
    // Moves every card's clock with the monotonic clock until stopRealTime (or destruction).
    // With a scheduler the clock's thread asks it for real-time priority: a card's clock is
    // hardware, which the machine's load does not hold up, and a clock that waits for the CPU
    // would be taken for a late driver.
    void startRealTime(RealtimeSchedulerIf* scheduler = nullptr);
    void stopRealTime();
    // Whether the running clock got the priority it asked for.
    bool realTimeClockIsRealtime() const { return clockRealtime_.load(); }

    HRESULT openFilter(const std::string& path,
                       std::unique_ptr<AudioCardFilterIf>& filter) override;

  private:
    void plugChanged(int controller, bool plugged);
    std::vector<std::shared_ptr<SimSoundCard>> allCards();
    void runRealTime(RealtimeSchedulerIf* scheduler);

    SimDeviceTree& tree_;
    std::mutex mutex_;
    std::map<int, std::shared_ptr<SimSoundCard>> cards_;
    std::thread clock_;
    std::atomic<bool> stopClock_{false};
    std::atomic<bool> clockRealtime_{false};
};

}  // namespace qmt
