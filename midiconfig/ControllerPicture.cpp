#include "midiconfig/ControllerPicture.h"

#include <algorithm>

#include "midiconfig/PictureResources.h"
#include "midiconfig/PictureSet.h"
#include "model/PresetKinds.h"

namespace qmt {

size_t ControllerPicture::SetIndex(PresetKind kind) {
    switch (kind) {
        case PresetKind::Kvp:
            return 0;
        case PresetKind::Kap:
            return 1;
        case PresetKind::Krp:
        case PresetKind::Kqp:
            break;
    }
    return 2;
}

bool ControllerPicture::load() {
    bool all = true;
    for (PresetKind kind : {PresetKind::Kvp, PresetKind::Kap, PresetKind::Kqp}) {
        const PictureSetIds& ids = PictureSetOf(kind);
        all &= loadSet(
            kind, SetResources{FindBitmapResource(ids.base), FindBitmapResource(ids.selected),
                               FindBitmapResource(ids.modifier), FindBitmapResource(ids.hover),
                               FindBitmapResource(ids.hitMap), FindBitmapResource(ids.maskSource)});
    }
    return all;
}

bool ControllerPicture::loadSet(PresetKind kind, const SetResources& r) {
    LoadedSet& s = sets_[SetIndex(kind)];
    bool all = LoadPictureLayer(r.base, s.base);
    all &= LoadPictureLayer(r.selected, s.selected);
    all &= LoadPictureLayer(r.modifier, s.modifier);
    all &= LoadPictureLayer(r.hover, s.hover);
    all &= LoadIdentifierMap(r.hitMap, s.hitMap);
    IdentifierMap maskSource;
    all &= LoadIdentifierMap(r.maskSource, maskSource);
    s.masks.make(maskSource);
    return all;
}

void ControllerPicture::release() {
    for (LoadedSet& s : sets_)
        s = LoadedSet{};
}

void ControllerPicture::setHovered(uint8_t control) {
    control = std::min(control, kNoControl);
    if (control == hovered_) return;
    hovered_ = control;
    host_.hoverChanged(control);
}

PictureOrigin ControllerPicture::OriginFor(int32_t clientWidth, int32_t clientHeight, int32_t width,
                                           int32_t height) {
    PictureOrigin o;
    if (clientWidth > width) o.x = (clientWidth - width) / 2;
    if (clientHeight > height) o.y = (clientHeight - height) / 3;
    return o;
}

bool ControllerPicture::hitTest(int32_t px, int32_t py, int32_t clientWidth, int32_t clientHeight,
                                uint8_t& control) const {
    const IdentifierMap& map = set().hitMap;
    if (map.empty()) return false;
    const PictureOrigin o = OriginFor(clientWidth, clientHeight, map.width, map.height);
    const int32_t x = px - o.x;
    const int32_t y = py - o.y;
    if (x < 0 || x >= map.width || y < 0 || y >= map.height) return false;
    control = map.at(x, y);
    if (control != kNoControlPixel && !KindHasControl(kind_, control)) control = kNoControlPixel;
    return true;
}

void ControllerPicture::mouseMove(int32_t px, int32_t py, int32_t clientWidth,
                                  int32_t clientHeight) {
    uint8_t control;
    if (!hitTest(px, py, clientWidth, clientHeight, control)) return;
    setHovered(control == kNoControlPixel ? kNoControl : control);
}

void ControllerPicture::leftButtonDown(int32_t px, int32_t py, int32_t clientWidth,
                                       int32_t clientHeight) {
    uint8_t control;
    if (!hitTest(px, py, clientWidth, clientHeight, control) || control == kNoControlPixel) return;
    host_.controlClicked(control);
}

void ControllerPicture::CopyLayer(const PictureLayer& layer, PictureOrigin at, RgbFrame& frame) {
    const int32_t w = std::min(layer.width, frame.width - at.x);
    const int32_t h = std::min(layer.height, frame.height - at.y);
    for (int32_t y = 0; y < h; ++y) {
        const uint32_t* from = &layer.pixels[size_t(y) * size_t(layer.width)];
        std::copy(from, from + std::max(w, 0),
                  &frame.pixels[size_t(at.y + y) * size_t(frame.width) + size_t(at.x)]);
    }
}

void ControllerPicture::CopyThroughMask(const PictureLayer& layer, const ControlMasks& masks,
                                        uint8_t control, PictureOrigin at, RgbFrame& frame) {
    if (layer.empty() || control >= kControlCount) return;
    const int32_t w = std::min(layer.width, frame.width - at.x);
    const int32_t h = std::min(layer.height, frame.height - at.y);
    for (const ControlMasks::Run& run : masks.runs(control)) {
        if (run.y >= h) break;  // runs come top row first
        const int32_t x1 = std::min(run.x1, w);
        if (x1 <= run.x0) continue;
        const uint32_t* from = &layer.pixels[size_t(run.y) * size_t(layer.width)];
        std::copy(
            from + run.x0, from + x1,
            &frame.pixels[size_t(at.y + run.y) * size_t(frame.width) + size_t(at.x + run.x0)]);
    }
}

bool ControllerPicture::paint(RgbFrame& frame) {
    const LoadedSet& s = set();
    if (s.base.empty()) return false;
    if (frame.width > s.base.width || frame.height > s.base.height)
        std::fill(frame.pixels.begin(), frame.pixels.end(), kBlack);
    const PictureOrigin at = OriginFor(frame.width, frame.height, s.base.width, s.base.height);
    CopyLayer(s.base, at, frame);
    if (hovered_ < kNoControl) CopyThroughMask(s.hover, s.masks, hovered_, at, frame);
    modifiers_.clear();
    host_.collectModifiers(modifiers_);
    for (uint8_t modifier : modifiers_)
        CopyThroughMask(s.modifier, s.masks, modifier, at, frame);
    CopyThroughMask(s.selected, s.masks, host_.selectedControl(), at, frame);
    return true;
}

}  // namespace qmt
