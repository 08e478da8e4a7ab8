#include "platform/linux/HidReportDescriptor.h"

namespace qmt {

namespace {
constexpr uint8_t kLongItem = 0xFE;
constexpr uint8_t kReportIdTag = 0x84;  // global item 8, size bits cleared
}  // namespace

bool UsesReportIds(std::span<const uint8_t> descriptor) {
    size_t i = 0;
    while (i < descriptor.size()) {
        const uint8_t prefix = descriptor[i];
        if (prefix == kLongItem) {
            // Long item: size byte, tag byte, then the data.
            if (i + 1 >= descriptor.size()) return false;
            i += 3 + descriptor[i + 1];
            continue;
        }
        const size_t size = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        if ((prefix & 0xFC) == kReportIdTag) return true;
        i += 1 + size;
    }
    return false;
}

}  // namespace qmt
