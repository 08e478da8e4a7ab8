#include "asiopanel/ConfigurationChangedEvent.h"

#include "platform/NamedEvent.h"

namespace qmt {

std::string ConfigurationChangedEventName(const AsioBrandIf& brand) {
    return std::string(brand.getProductName()) + "ConfigurationChanged";
}

void SignalConfigurationChanged(const AsioBrandIf& brand) {
    NamedEvent event;
    std::string error;
    // A failure is not reported, like any other failure while applying.
    if (event.Open(ConfigurationChangedEventName(brand), error)) event.Set();
}

}  // namespace qmt
