#include "asiopanel/PanelInstance.h"

#include <memory>

#include "common/MemberFunctor.h"

namespace qmt {

PanelInstance::PanelInstance(const AsioBrandIf& brand) : name_(EventName(brand)) {}

PanelInstance::~PanelInstance() {
    stopListening();
    event_.close();
    held_.Close();
}

std::string PanelInstance::EventName(const AsioBrandIf& brand) {
    return std::string(brand.getProductName()) + "ConfigurationPanelOpen";
}

PanelInstance::Claim PanelInstance::claim(std::string& error) {
    bool existed = false;
    if (!held_.Open(name_, error, &existed)) return Claim::Failed;
    if (existed) {
        // Nothing in this process reads the event, so the first panel takes the signal.
        held_.Set();
        held_.Close();
        return Claim::OtherPanelRaised;
    }
    // `held_` stays open meanwhile, so a start racing this one still finds the event held.
    return event_.open(name_, error) ? Claim::First : Claim::Failed;
}

bool PanelInstance::listen(std::function<void()> raise) {
    if (listening_ || !event_.isOpen()) return false;
    raise_ = std::move(raise);
    listening_ = worker_.registerHandle(
        &event_.event(),
        std::make_unique<MemberFunctor<PanelInstance>>(this, &PanelInstance::raise));
    return listening_ && worker_.resume();
}

void PanelInstance::stopListening() {
    worker_.stop();
}

void PanelInstance::raise() {
    if (raise_) raise_();
}

}  // namespace qmt
