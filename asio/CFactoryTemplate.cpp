#include "asio/CFactoryTemplate.h"

namespace qmt {

std::span<CFactoryTemplate> factoryTemplates() {
    // Filled in when the library loads: the brand's name and class identifier, and the
    // driver object's creation function. Until then no class is offered.
    static CFactoryTemplate table[1];
    return table;
}

std::atomic<int32_t>& serverLockCount() {
    static std::atomic<int32_t> count{0};
    return count;
}

std::u16string widenName(const std::string& name) {
    std::u16string wide;
    for (char c : name)
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return wide;
}

}  // namespace qmt
