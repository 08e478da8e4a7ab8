#pragma once
// Tells every running driver of the brand that the panel saved new settings: the named event
// "<product>ConfigurationChanged" is set, and a driver holding it asks its host for a reset.
// With no driver holding the event the signal goes nowhere, which is what is wanted.

#include <string>

#include "asio/AsioBrandIf.h"

namespace qmt {

std::string ConfigurationChangedEventName(const AsioBrandIf& brand);
void SignalConfigurationChanged(const AsioBrandIf& brand);

}  // namespace qmt
