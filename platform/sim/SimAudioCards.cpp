#include "platform/sim/SimAudioCards.h"

#include <chrono>

#include "platform/sim/SimSoundCardModels.h"

namespace qmt {

namespace {

// The real-time clock moves the cards in steps of about this many milliseconds.
constexpr uint32_t kRealTimeStepMs = 1;

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

void SimAudioCards::startRealTime() {
    if (clock_.joinable()) return;
    stopClock_.reset();
    clock_ = std::thread([this] { runRealTime(); });
}

void SimAudioCards::stopRealTime() {
    if (!clock_.joinable()) return;
    stopClock_.set();
    clock_.join();
}

void SimAudioCards::runRealTime() {
    auto last = std::chrono::steady_clock::now();
    while (!stopClock_.wait(kRealTimeStepMs)) {
        const auto now = std::chrono::steady_clock::now();
        advanceTime(std::chrono::duration_cast<std::chrono::nanoseconds>(now - last).count());
        last = now;
    }
}

}  // namespace qmt
