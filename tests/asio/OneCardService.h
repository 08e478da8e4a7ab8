#pragma once
// A card service with one simulated card behind every path: for tests of the wrappers that
// want a card of their own design rather than a controller's.

#include <memory>

#include "platform/sim/SimSoundCard.h"

namespace qmt {

class OneCardService final : public AudioCardServiceIf {
  public:
    explicit OneCardService(SimSoundCardProfile profile)
        : card(std::make_shared<SimSoundCard>(std::move(profile))) {}

    HRESULT openFilter(const std::string&, std::unique_ptr<AudioCardFilterIf>& filter) override {
        filter = card->openFilter();
        return filter ? S_OK : HresultFromWin32(kErrorFileNotFound);
    }

    std::shared_ptr<SimSoundCard> card;
};

}  // namespace qmt
