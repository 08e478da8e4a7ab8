#include "asio/CKsEnumFilters.h"

namespace qmt {

bool CKsEnumFilters::enumFilters(DeviceEnumeratorIf& devices, InterfaceCategory category) {
    destroyLists();
    std::vector<DeviceInterfaceEntry> interfaces;
    if (!devices.listInterfaces(category, interfaces)) return false;
    for (const DeviceInterfaceEntry& entry : interfaces) {
        HRESULT status = S_OK;
        std::unique_ptr<CKsAudFilter> filter;
        if (category == InterfaceCategory::Render) {
            filter = std::make_unique<CKsAudRenFilter>(service_, entry.path, status);
        } else if (category == InterfaceCategory::Capture) {
            filter = std::make_unique<CKsAudCapFilter>(service_, entry.path, status);
        } else {
            filter = std::make_unique<CKsAudFilter>(service_, entry.path, status);
        }
        if (Failed(status) || Failed(filter->open()) || Failed(filter->enumeratePins())) continue;
        filters_.push_back(std::move(filter));
    }
    return true;
}

}  // namespace qmt
