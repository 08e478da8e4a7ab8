// Preset files: read, validate, write back, read again. Whatever parses must write out in a
// form that parses again to the same assignments, and a valid preset must stay valid and
// round-trip identically: same assignments, same application list, and the same bytes when
// written a second time. The configuration program's document view gets the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "model/PresetDocument.h"
#include "model/PresetFile.h"

namespace {

using namespace qmt;

bool SameFileFields(const Assignment& a, const Assignment& b) {
    return a.modifier == b.modifier && a.function == b.function && a.inverted == b.inverted &&
           a.interval == b.interval && a.releaseTimeout == b.releaseTimeout &&
           a.messages == b.messages;
}

// The assignments the writer keeps (those with a message) are exactly what reads back.
bool SameAssignments(const Preset& original, const Preset& reread) {
    if (original.kind != reread.kind) return false;
    for (size_t control = 0; control < kControlCount; ++control) {
        const AssignmentList& back = reread.lists[control];
        size_t n = 0;
        for (const Assignment& a : original.lists[control]) {
            if (!a.hasMessage()) continue;
            if (n >= back.size() || !SameFileFields(a, back[n])) return false;
            ++n;
        }
        if (n != back.size()) return false;
    }
    return true;
}

void CheckDocument(std::span<const uint8_t> bytes) {
    auto document = PresetDocument::parse(bytes);
    if (!document) return;
    std::vector<uint8_t> written;
    if (!document->serialize(written)) return;  // a "Key" message pointing past the list
    auto again = PresetDocument::parse(written);
    QMT_FUZZ_CHECK(again != nullptr);
    std::vector<uint8_t> rewritten;
    QMT_FUZZ_CHECK(again->serialize(rewritten));
    QMT_FUZZ_CHECK(rewritten == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    std::vector<ApplicationEntry> applications;
    PresetPtr preset = ParsePreset(bytes, nullptr, &applications);
    CheckDocument(bytes);
    if (!preset) return 0;
    const bool valid = ValidatePreset(*preset);

    const std::vector<uint8_t> written = WritePreset(*preset, applications);
    std::vector<ApplicationEntry> applicationsBack;
    std::string error;
    PresetPtr reread = ParsePreset(written, &error, &applicationsBack);
    QMT_FUZZ_CHECK(reread != nullptr);
    QMT_FUZZ_CHECK(applicationsBack == applications);
    QMT_FUZZ_CHECK(WritePreset(*reread, applicationsBack) == written);
    if (!valid) return 0;
    QMT_FUZZ_CHECK(ValidatePreset(*reread));
    QMT_FUZZ_CHECK(SameAssignments(*preset, *reread));
    return 0;
}
