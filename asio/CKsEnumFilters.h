#pragma once
// The audio filters of one interface category, opened with their pins enumerated: render
// filters for the render category, capture filters for the capture category, plain audio
// filters otherwise. Interfaces whose filter does not open or has no pins are left out. The
// list owns its filters.

#include <memory>
#include <vector>

#include "asio/CKsAudFilter.h"
#include "platform/DeviceEnumeratorIf.h"

namespace qmt {

class CKsEnumFilters {
  public:
    explicit CKsEnumFilters(AudioCardServiceIf& service) : service_(service) {}

    // Replaces the list; false when the system refuses the interface list.
    bool enumFilters(DeviceEnumeratorIf& devices, InterfaceCategory category);
    const std::vector<std::unique_ptr<CKsAudFilter>>& filters() const { return filters_; }
    void destroyLists() { filters_.clear(); }

  private:
    AudioCardServiceIf& service_;
    std::vector<std::unique_ptr<CKsAudFilter>> filters_;
};

}  // namespace qmt
