// The registry store's .reg text, as read from the user's and the machine's hive files.
// Whatever reads as a hive must be written back to text that reads to the same hive (so a
// write never changes or drops what another program stored), and the hive's own operations
// must keep working on it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzInput.h"
#include "platform/RegFileFormat.h"
#include "platform/RegistryHive.h"

namespace {

using namespace qmt;

bool SameValues(const RegistryKey& a, const RegistryKey& b) {
    if (a.values.size() != b.values.size()) return false;
    for (size_t i = 0; i < a.values.size(); ++i) {
        const RegistryValue& x = a.values[i];
        const RegistryValue& y = b.values[i];
        if (x.name != y.name || x.type != y.type) return false;
        if (x.type == RegistryValueType::String ? x.text != y.text : x.dword != y.dword)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const char* hiveName = input.u8() & 1 ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    const auto rest = input.rest();
    const std::string text(reinterpret_cast<const char*>(rest.data()), rest.size());
    RegistryHive hive;
    if (!RegFileFormat::parse(text, hiveName, hive)) return 0;
    const std::string written = RegFileFormat::serialize(hive, hiveName);
    RegistryHive back;
    QMT_FUZZ_CHECK(RegFileFormat::parse(written, hiveName, back));
    QMT_FUZZ_CHECK(RegFileFormat::serialize(back, hiveName) == written);
    QMT_FUZZ_CHECK(back.keys().size() == hive.keys().size());
    for (size_t k = 0; k < hive.keys().size(); ++k) {
        const RegistryKey& key = hive.keys()[k];
        QMT_FUZZ_CHECK(back.exists(key.path));
        const RegistryKey* found = back.find(key.path);
        QMT_FUZZ_CHECK(found != nullptr && SameValues(key, *found));
    }
    // The subkeys of the root and of one key (listing every key's would cost the square of
    // their number and find nothing more): each is a key of its own, directly below.
    const std::string listed =
        hive.keys().empty() ? std::string() : hive.keys()[size % hive.keys().size()].path;
    for (const std::string& parent : {std::string(), listed}) {
        for (const std::string& name : back.subkeys(parent)) {
            QMT_FUZZ_CHECK(!name.empty() && name.find('\\') == std::string::npos);
            QMT_FUZZ_CHECK(back.exists(parent.empty() ? name : parent + "\\" + name));
        }
    }
    // Removing a key takes its subkeys with it and the rest still writes and reads.
    if (!hive.keys().empty()) {
        const std::string victim = hive.keys()[rest.size() % hive.keys().size()].path;
        back.remove(victim);
        if (!victim.empty()) QMT_FUZZ_CHECK(!back.exists(victim));
        RegistryHive after;
        QMT_FUZZ_CHECK(
            RegFileFormat::parse(RegFileFormat::serialize(back, hiveName), hiveName, after));
    }
    return 0;
}
