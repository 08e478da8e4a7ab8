// The command lines of qmtasio-pipewire and qmtasiohost, which scripts and desktop files
// hand over as they are. The input is the arguments, separated by zero bytes; both programs
// read them. Checked: a refused command line says why; an accepted one holds only what the
// programs can use: finite numbers in their ranges, channel numbers 0 to 15, not both a
// driver name and a library, and a class identifier either empty or one that reads.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "asio/AsioDriverRegistration.h"
#include "asiohost/HostOptions.h"
#include "asiopipewire/FrontEndOptions.h"
#include "fuzz/FuzzInput.h"

namespace {

using namespace qmt;

// Command lines are short; longer ones only repeat what these reach.
constexpr size_t kMaxArguments = 24;

void CheckFrontEnd(const std::vector<std::string>& args) {
    FrontEndOptions options;
    bool help = false;
    std::string error;
    if (!parseFrontEndOptions(args, options, help, error)) {
        QMT_FUZZ_CHECK(!error.empty());
        return;
    }
    QMT_FUZZ_CHECK(options.rate == 0 || (options.rate >= 8000 && options.rate <= 192000));
    QMT_FUZZ_CHECK(std::isfinite(options.seconds) && options.seconds >= 0);
    QMT_FUZZ_CHECK(options.driver.driverName.empty() || options.driver.libraryPath.empty());
}

void CheckChannels(const std::vector<int32_t>& channels) {
    for (const int32_t channel : channels)
        QMT_FUZZ_CHECK(channel >= 0 && channel < 16);
}

void CheckHost(const std::vector<std::string>& args) {
    asiohost::HostOptions options;
    bool help = false;
    std::string error;
    if (!asiohost::parseHostOptions(args, options, help, error)) {
        QMT_FUZZ_CHECK(!error.empty());
        return;
    }
    if (help) return;
    QMT_FUZZ_CHECK(std::isfinite(options.seconds) && options.seconds > 0);
    QMT_FUZZ_CHECK(options.rate == 0 || (std::isfinite(options.rate) && options.rate > 0));
    QMT_FUZZ_CHECK(options.bufferFrames >= 0 && options.bufferFrames <= 1'000'000);
    CheckChannels(options.outputs);
    CheckChannels(options.inputs);
    QMT_FUZZ_CHECK(options.inputs.empty() || !options.recordFile.empty());
    QMT_FUZZ_CHECK(options.driverName.empty() || options.libraryPath.empty());
    Guid classId{};
    if (!options.classId.empty() && parseClassId(options.classId, classId))
        QMT_FUZZ_CHECK(parseClassId(FormatGuid(classId), classId));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size && args.size() <= kMaxArguments; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    if (args.size() > kMaxArguments) args.pop_back();
    CheckFrontEnd(args);
    CheckHost(args);
    return 0;
}
