#include "midiconfig/ActionControl.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "midiconfig/ExtendedMessage.h"
#include "midiconfig/PanelLayout.h"
#include "midiconfig/ThresholdCurve.h"
#include "model/Catalogue.h"

namespace qmt {

namespace {

constexpr int kStepListOffset = 127;  // the 7-bit step lists run from -127 at index 0
constexpr int kFourteenBitMax = 16383;
constexpr uint32_t kMaxReleaseTimeoutMs = 1000;
constexpr uint32_t kMaxIntervalMs = 10000;

// How a half's field holds its value.
enum class Shape : uint8_t { List, StepList, Unsigned14, Signed14, Special };

struct FieldAccess {
    Shape shape = Shape::Special;
    int (*get)(const WorkingMessage&) = nullptr;
    void (*set)(WorkingMessage&, int) = nullptr;
    int listSize = 0;                    // List: entries
    std::optional<HalfField> partner{};  // the other end of a min/max pair
    bool isMax = false;
};

template <auto Member>
int Get(const WorkingMessage& m) {
    return m.*Member;
}
template <auto Member>
void Set(WorkingMessage& m, int value) {
    using T = std::remove_reference_t<decltype(m.*Member)>;
    m.*Member = static_cast<T>(value);
}

template <auto Member>
FieldAccess Field(Shape shape, int listSize = 0, std::optional<HalfField> partner = {},
                  bool isMax = false) {
    return {shape, &Get<Member>, &Set<Member>, listSize, partner, isMax};
}

const FieldAccess& AccessOf(HalfField field) {
    using M = WorkingMessage;
    using F = HalfField;
    static const std::array<FieldAccess, kHalfFieldCount> table = [] {
        std::array<FieldAccess, kHalfFieldCount> t{};
        auto at = [&t](F f) -> FieldAccess& { return t[static_cast<size_t>(f)]; };
        at(F::Note) = Field<&M::note>(Shape::List, 128);
        at(F::Velocity) = Field<&M::velocity>(Shape::List, 128);
        at(F::Controller) = Field<&M::controller>(Shape::List, 128);
        at(F::Value) = Field<&M::value>(Shape::List, 128);
        at(F::Step) = Field<&M::step>(Shape::StepList);
        at(F::Min) = Field<&M::min>(Shape::List, 128, F::Max);
        at(F::Max) = Field<&M::max>(Shape::List, 128, F::Min, true);
        at(F::Program) = Field<&M::program>(Shape::List, 128);
        at(F::ProgramStep) = Field<&M::programStep>(Shape::StepList);
        at(F::ProgramMin) = Field<&M::programMin>(Shape::List, 128, F::ProgramMax);
        at(F::ProgramMax) = Field<&M::programMax>(Shape::List, 128, F::ProgramMin, true);
        at(F::Command) = Field<&M::command>(Shape::List, 3);
        at(F::PitchValue) = Field<&M::pitchValue>(Shape::Unsigned14);
        at(F::PitchStep) = Field<&M::pitchStep>(Shape::Signed14);
        at(F::PitchMin) = Field<&M::pitchMin>(Shape::Unsigned14, 0, F::PitchMax);
        at(F::PitchMax) = Field<&M::pitchMax>(Shape::Unsigned14, 0, F::PitchMin, true);
        at(F::HiResController) = Field<&M::hiResController>(Shape::List, 32);
        at(F::HiResValue) = Field<&M::hiResValue>(Shape::Unsigned14);
        at(F::HiResStep) = Field<&M::hiResStep>(Shape::Signed14);
        at(F::HiResMin) = Field<&M::hiResMin>(Shape::Unsigned14, 0, F::HiResMax);
        at(F::HiResMax) = Field<&M::hiResMax>(Shape::Unsigned14, 0, F::HiResMin, true);
        return t;
    }();
    return table[static_cast<size_t>(field)];
}

// A typed number as the C library's integer conversion reads it: leading digits only, text
// that is no number reads 0, and a number too large for a long stops at the long's limit.
long TypedNumber(const std::string& text) {
    errno = 0;
    return std::strtol(text.c_str(), nullptr, 10);
}

std::string Milliseconds(uint32_t ms) {
    return std::to_string(ms) + " ms";
}

// The list position of a value, or -1 when the list has no such entry.
int ListIndex(int value, int size) {
    return value >= 0 && value < size ? value : -1;
}

const ListItems& KindItems() {
    static const ListItems items = MessageKindItems();
    return items;
}
const ListItems& EncodingList() {
    static const ListItems items = EncodingItems();
    return items;
}
const ListItems& FourteenBitList() {
    static const ListItems items = FourteenBitItems();
    return items;
}
const ListItems& SignedFourteenBitList() {
    static const ListItems items = SignedFourteenBitItems();
    return items;
}
const ListItems& PercentList() {
    static const ListItems items = PercentItems();
    return items;
}

}  // namespace

ActionControl::ActionControl(MessageBoxIf& messages) : messages_(messages) {}

void ActionControl::setView(ViewIf* view) {
    view_ = view;
    refresh();
}

void ActionControl::load(PresetKind kind, uint8_t control, const Assignment& assignment) {
    pending_.reset();
    loaded_ = true;
    kind_ = kind;
    control_ = control;
    working_ = ToWorking(assignment, control);
    state_.modifierList = kind;
    state_.modifierIndex = IndexOfData(ModifierItems(kind), working_.modifier);
    state_.releaseVisible = working_.modifier != kNoControl;
    state_.invertedVisible = IsContinuous(working_.function);
    state_.inverted = working_.inverted;
    functionItems_ = FunctionItems(control);
    state_.functionIndex = IndexOfData(functionItems_, working_.function);
    showTopTexts();
    applyEventType();
}

Assignment ActionControl::takeWorkingCopy() {
    if (pending_) {
        if (pending_->half < 0)
            leaveTop(static_cast<TopField>(pending_->field));
        else
            leave(pending_->half, static_cast<HalfField>(pending_->field));
    }
    return workingAssignment();
}

void ActionControl::chooseModifier(int index) {
    const ListItems items = ModifierItems(kind_);
    if (!loaded_ || index < 0 || index >= static_cast<int>(items.size())) return;
    working_.modifier = static_cast<uint8_t>(items[index].data);
    state_.modifierIndex = index;
    state_.releaseVisible = working_.modifier != kNoControl;
    state_.releaseText = Milliseconds(working_.releaseTimeoutMs);
    refresh();
    if (listener_) listener_->modifierChanged();
}

void ActionControl::chooseFunction(int index) {
    if (!loaded_ || index < 0 || index >= static_cast<int>(functionItems_.size())) return;
    working_.function = static_cast<uint8_t>(functionItems_[index].data);
    state_.functionIndex = index;
    applyEventType();
}

void ActionControl::setInverted(bool inverted) {
    if (!loaded_) return;
    working_.inverted = inverted;
    state_.inverted = inverted;
    refresh();
}

void ActionControl::chooseTop(TopField field, int index) {
    const ListItems items = field == TopField::Interval ? IntervalItems() : ReleaseTimeoutItems();
    if (!loaded_ || index < 0 || index >= static_cast<int>(items.size())) return;
    pending_.reset();
    const auto ms = static_cast<uint32_t>(items[index].data);
    if (field == TopField::Interval) {
        working_.intervalMs = ms;
        state_.intervalText = items[index].text;
    } else {
        working_.releaseTimeoutMs = ms;
        state_.releaseText = items[index].text;
    }
    refresh();
}

void ActionControl::typeTop(TopField field, const std::string& text) {
    if (!loaded_) return;
    pending_ = Pending{-1, static_cast<int>(field), 0};
    const long typed = TypedNumber(text);
    if (field == TopField::Interval) {
        working_.intervalMs = static_cast<uint32_t>(std::clamp<long>(typed, 0, kMaxIntervalMs));
        state_.intervalText = text;
    } else {
        working_.releaseTimeoutMs =
            static_cast<uint32_t>(std::clamp<long>(typed, 0, kMaxReleaseTimeoutMs));
        state_.releaseText = text;
    }
    refresh();
}

void ActionControl::leaveTop(TopField field) {
    if (!loaded_) return;
    if (pending_ && pending_->half < 0) pending_.reset();
    if (field == TopField::Interval)
        state_.intervalText = Milliseconds(working_.intervalMs);
    else
        state_.releaseText = Milliseconds(working_.releaseTimeoutMs);
    refresh();
}

void ActionControl::choose(int half, HalfField field, int index) {
    if (!loaded_ || half < 0 || half > 1 || index < 0) return;
    pending_.reset();
    WorkingMessage& m = working_.messages[half];
    FieldState& shown = fieldState(half, field);
    const FieldAccess& access = AccessOf(field);
    switch (access.shape) {
        case Shape::List:
            if (index >= access.listSize) return;
            access.set(m, index);
            shown.index = index;
            keepOrdered(half, field, index, false);
            break;
        case Shape::StepList:
            if (index > 2 * kStepListOffset) return;
            access.set(m, index - kStepListOffset);
            shown.index = index;
            break;
        case Shape::Unsigned14:
        case Shape::Signed14: {
            const ListItems& items =
                access.shape == Shape::Unsigned14 ? FourteenBitList() : SignedFourteenBitList();
            if (index >= static_cast<int>(items.size())) return;
            storeNumber(half, field, items[index].data, false);
            shown.text = items[index].text;
            break;
        }
        case Shape::Special:
            if (field == HalfField::Kind) {
                if (index >= static_cast<int>(KindItems().size())) return;
                m.kind = static_cast<uint8_t>(KindItems()[index].data);
                layoutHalf(half);
                if (listener_) listener_->descriptionChanged();
            } else if (field == HalfField::Channel) {
                if (index >= 18) return;
                m.channel = ChannelFromIndex(index);
                shown.index = index;
            } else if (field == HalfField::Encoding) {
                if (index >= static_cast<int>(EncodingList().size())) return;
                m.encoding = static_cast<uint8_t>(EncodingList()[index].data);
                shown.index = index;
            } else if (field == HalfField::Percent) {
                if (index >= static_cast<int>(PercentList().size())) return;
                const ThresholdBounds bounds = ThresholdBoundsOf(working_.function);
                m.threshold = ThresholdAtPercent(PercentList()[index].data, bounds);
                shown.text = PercentList()[index].text;
                fieldState(half, HalfField::Trackbar).index =
                    PositionOfThreshold(m.threshold, bounds);
            }
            break;
    }
    refresh();
}

void ActionControl::type(int half, HalfField field, const std::string& text) {
    if (!loaded_ || half < 0 || half > 1) return;
    const FieldAccess& access = AccessOf(field);
    const bool numeric = access.shape == Shape::Unsigned14 || access.shape == Shape::Signed14;
    if (!numeric && field != HalfField::Percent && field != HalfField::Extended) return;
    WorkingMessage& m = working_.messages[half];
    if (!pending_ || pending_->half != half || pending_->field != static_cast<int>(field)) {
        const int origin = access.partner ? AccessOf(*access.partner).get(m) : 0;
        pending_ = Pending{half, static_cast<int>(field), origin};
    }
    fieldState(half, field).text = text;
    if (numeric) {
        storeNumber(half, field, TypedNumber(text), true);
    } else if (field == HalfField::Percent) {
        const ThresholdBounds bounds = ThresholdBoundsOf(working_.function);
        m.threshold = ThresholdAtPercent(TypedNumber(text), bounds);
        fieldState(half, HalfField::Trackbar).index = PositionOfThreshold(m.threshold, bounds);
    }
    refresh();
}

void ActionControl::leave(int half, HalfField field) {
    if (!loaded_ || half < 0 || half > 1) return;
    if (pending_ && pending_->half == half && pending_->field == static_cast<int>(field))
        pending_.reset();
    if (field == HalfField::Extended) {
        parseExtended(half);
    } else if (field == HalfField::Percent) {
        fieldState(half, field).text =
            PercentText(working_.messages[half].threshold, ThresholdBoundsOf(working_.function));
    } else {
        showValues(half);
    }
    refresh();
}

void ActionControl::moveTrackbar(int half, int position) {
    if (!loaded_ || half < 0 || half > 1) return;
    const ThresholdBounds bounds = ThresholdBoundsOf(working_.function);
    WorkingMessage& m = working_.messages[half];
    m.threshold = ThresholdAtPosition(position, bounds);
    fieldState(half, HalfField::Trackbar).index = std::clamp(position, 0, kThresholdSliderMax);
    fieldState(half, HalfField::Percent).text = PercentText(m.threshold, bounds);
    refresh();
}

// Titles, interval and the kind lists follow the event type; then both halves are laid out.
void ActionControl::applyEventType() {
    const uint8_t function = working_.function;
    state_.halves[0].title = FirstMessageName(function) ? FirstMessageName(function) : "";
    state_.halves[1].title = SecondMessageName(function) ? SecondMessageName(function) : "";
    state_.intervalVisible = function == kAutoRepeat;
    state_.intervalText = Milliseconds(working_.intervalMs);
    state_.invertedVisible = IsContinuous(function);
    if (listener_) listener_->descriptionChanged();
    layoutHalf(0);
    layoutHalf(1);
    refresh();
}

void ActionControl::layoutHalf(int half) {
    WorkingMessage& m = working_.messages[half];
    const uint8_t function = working_.function;
    if (IsContinuous(function) && m.kind != kMsgNone)
        m.threshold = ClampThreshold(m.threshold, ThresholdBoundsOf(function));
    if (m.kind == kMsgHiResControlChange || m.kind == kMsgHiResControlChangeInc)
        m.hiResController &= 0x1F;  // the pair's most significant controller, 0 to 31
    const HalfLayout layout = LayoutOf(m.kind, function);
    HalfState& shown = state_.halves[half];
    for (size_t f = 0; f < kHalfFieldCount; ++f)
        shown.fields[f].visible = layout.fields[f];
    shown.field(HalfField::Kind).visible = true;
    for (size_t l = 0; l < kHalfLabelCount; ++l) {
        shown.labels[l].visible = layout.labels[l] != nullptr;
        if (layout.labels[l]) shown.labels[l].text = layout.labels[l];
    }
    showValues(half);
    showThreshold(half);
}

// Every field of a half shows the working copy's value, visible or not.
void ActionControl::showValues(int half) {
    const WorkingMessage& m = working_.messages[half];
    HalfState& shown = state_.halves[half];
    shown.field(HalfField::Kind).index = IndexOfData(KindItems(), m.kind);
    shown.field(HalfField::Channel).index = ChannelIndex(m.channel);
    shown.field(HalfField::Encoding).index = IndexOfData(EncodingList(), m.encoding);
    shown.field(HalfField::Extended).text = ExtendedMessageText(m.extended);
    for (size_t f = 0; f < kHalfFieldCount; ++f) {
        const FieldAccess& access = AccessOf(static_cast<HalfField>(f));
        FieldState& field = shown.fields[f];
        switch (access.shape) {
            case Shape::List:
                field.index = ListIndex(access.get(m), access.listSize);
                break;
            case Shape::StepList:
                field.index = ListIndex(access.get(m) + kStepListOffset, 2 * kStepListOffset + 1);
                break;
            case Shape::Unsigned14:
            case Shape::Signed14:
                field.text = std::to_string(access.get(m));
                break;
            case Shape::Special:
                break;
        }
    }
}

void ActionControl::showThreshold(int half) {
    const WorkingMessage& m = working_.messages[half];
    const ThresholdBounds bounds = ThresholdBoundsOf(working_.function);
    fieldState(half, HalfField::Trackbar).index = PositionOfThreshold(m.threshold, bounds);
    fieldState(half, HalfField::Percent).text = PercentText(m.threshold, bounds);
}

// Stores a 14-bit value or step within its range and keeps a min/max pair ordered.
void ActionControl::storeNumber(int half, HalfField field, long value, bool typed) {
    const FieldAccess& access = AccessOf(field);
    const long lowest = access.shape == Shape::Signed14 ? -kFourteenBitMax : 0;
    const int stored = static_cast<int>(std::clamp<long>(value, lowest, kFourteenBitMax));
    access.set(working_.messages[half], stored);
    keepOrdered(half, field, stored, typed);
}

// A new maximum below the minimum moves the minimum down with it, and a new minimum above the
// maximum moves the maximum up. While a number is being typed, the partner is judged by the
// value it had when typing began, so typing 100 as a maximum over a minimum of 20 passes
// through 1 and 10 without leaving the minimum at 1.
void ActionControl::keepOrdered(int half, HalfField field, int value, bool typed) {
    const FieldAccess& access = AccessOf(field);
    if (!access.partner) return;
    WorkingMessage& m = working_.messages[half];
    const FieldAccess& partner = AccessOf(*access.partner);
    const int base = typed && pending_ ? pending_->partnerOrigin : partner.get(m);
    const int wanted = access.isMax ? std::min(base, value) : std::max(base, value);
    if (wanted == partner.get(m) && !typed) return;
    partner.set(m, wanted);
    FieldState& shown = fieldState(half, *access.partner);
    if (partner.shape == Shape::List)
        shown.index = ListIndex(wanted, partner.listSize);
    else
        shown.text = std::to_string(wanted);
}

void ActionControl::showTopTexts() {
    state_.releaseText = Milliseconds(working_.releaseTimeoutMs);
    state_.intervalText = Milliseconds(working_.intervalMs);
}

void ActionControl::parseExtended(int half) {
    WorkingMessage& m = working_.messages[half];
    FieldState& shown = fieldState(half, HalfField::Extended);
    std::string error;
    if (ParseExtendedMessage(shown.text, m.extended, error)) {
        shown.text = ExtendedMessageText(m.extended);
        return;
    }
    messages_.show("Error", error, MessageBoxIcon::Warning, MessageBoxButtons::Ok);
}

void ActionControl::refresh() {
    if (view_) view_->showPanel(state_, functionItems_);
}

}  // namespace qmt
