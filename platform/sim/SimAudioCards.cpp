#include "platform/sim/SimAudioCards.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/sim/SimSoundCardModels.h"

namespace qmt {

namespace {

// The real-time clock wakes when the first request is due, at least once a millisecond (pins
// with nothing queued move too: they starve), and not more often than every 20 µs.
constexpr int64_t kLongestStepNs = 1'000'000;
constexpr int64_t kShortestStepNs = 20'000;

}  // namespace

SimAudioCards::SimAudioCards(SimDeviceTree& tree) : tree_(tree) {
    tree_.setPlugObserver(
        [this](int controller, bool plugged) { plugChanged(controller, plugged); });
}

SimAudioCards::~SimAudioCards() {
    stopRealTime();
    tree_.setPlugObserver(nullptr);
}

std::shared_ptr<SimSoundCard> SimAudioCards::card(int controller) {
    SimControllerModel model;
    if (!tree_.controllerModel(controller, model)) return nullptr;
    std::lock_guard lock(mutex_);
    std::shared_ptr<SimSoundCard>& card = cards_[controller];
    if (!card) card = std::make_shared<SimSoundCard>(SimSoundCardProfileFor(model));
    return card;
}

void SimAudioCards::plugChanged(int controller, bool plugged) {
    std::shared_ptr<SimSoundCard> known;
    {
        std::lock_guard lock(mutex_);
        auto it = cards_.find(controller);
        if (it == cards_.end()) return;  // made plugged when first asked for
        known = it->second;
    }
    if (plugged) {
        known->plug();
    } else {
        known->unplug();
    }
}

HRESULT SimAudioCards::openFilter(const std::string& path,
                                  std::unique_ptr<AudioCardFilterIf>& filter) {
    const int controller = tree_.controllerWithAudioPath(path);
    std::shared_ptr<SimSoundCard> found = controller != 0 ? card(controller) : nullptr;
    filter = found ? found->openFilter() : nullptr;
    return filter ? S_OK : HresultFromWin32(kErrorFileNotFound);
}

std::vector<std::shared_ptr<SimSoundCard>> SimAudioCards::allCards() {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<SimSoundCard>> all;
    for (const auto& [controller, card] : cards_)
        all.push_back(card);
    return all;
}

void SimAudioCards::advanceFrames(uint32_t frames) {
    for (const auto& card : allCards())
        card->advanceFrames(frames);
}

void SimAudioCards::advanceTime(int64_t nanoseconds) {
    for (const auto& card : allCards())
        card->advanceTime(nanoseconds);
}

void SimAudioCards::startRealTime(RealtimeSchedulerIf* scheduler) {
    if (clock_.joinable()) return;
    stopClock_.store(false);
    clock_ = std::thread([this, scheduler] { runRealTime(scheduler); });
}

void SimAudioCards::stopRealTime() {
    if (!clock_.joinable()) return;
    stopClock_.store(true);
    clock_.join();
    clockRealtime_.store(false);
}

void SimAudioCards::runRealTime(RealtimeSchedulerIf* scheduler) {
    std::string refusal;
    clockRealtime_.store(scheduler != nullptr && scheduler->makeCurrentThreadRealtime(refusal));
    auto last = std::chrono::steady_clock::now();
    while (!stopClock_.load()) {
        int64_t step = kLongestStepNs;
        for (const auto& card : allCards()) {
            const int64_t due = card->nanosecondsToNextCompletion();
            if (due >= 0) step = std::min(step, due);
        }
        std::this_thread::sleep_until(last +
                                      std::chrono::nanoseconds(std::max(step, kShortestStepNs)));
        const auto now = std::chrono::steady_clock::now();
        advanceTime(std::chrono::duration_cast<std::chrono::nanoseconds>(now - last).count());
        last = now;
    }
}

}  // namespace qmt
