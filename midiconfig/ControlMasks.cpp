#include "midiconfig/ControlMasks.h"

namespace qmt {

void ControlMasks::clear() {
    width_ = height_ = 0;
    for (auto& list : runs_)
        list.clear();
}

void ControlMasks::make(const IdentifierMap& source) {
    clear();
    width_ = source.width;
    height_ = source.height;
    for (int32_t y = 0; y < source.height; ++y) {
        int32_t x = 0;
        while (x < source.width) {
            const uint8_t id = source.at(x, y);
            int32_t end = x + 1;
            while (end < source.width && source.at(end, y) == id)
                ++end;
            if (id < kControlCount) runs_[id].push_back(Run{y, x, end});
            x = end;
        }
    }
}

std::span<const ControlMasks::Run> ControlMasks::runs(uint8_t control) const {
    if (control >= kControlCount) return {};
    return runs_[control];
}

bool ControlMasks::black(uint8_t control, int32_t x, int32_t y) const {
    for (const Run& run : runs(control))
        if (run.y == y && x >= run.x0 && x < run.x1) return true;
    return false;
}

}  // namespace qmt
