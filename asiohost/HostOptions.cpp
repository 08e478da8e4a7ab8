#include "asiohost/HostOptions.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "platform/sim/SimulatedDesktop.h"

namespace qmt::asiohost {

namespace {

// "inf" and "nan" read as numbers, but no session can run with them (and no integer holds
// them), so they are refused with the rest.
bool parseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0' && std::isfinite(value);
}

// "1,2,5-8" -> 0,1,4,5,6,7; channels 1 to 16.
bool parseChannels(const std::string& text, std::vector<int32_t>& channels) {
    channels.clear();
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        const size_t dash = item.find('-');
        double first = 0;
        double last = 0;
        if (!parseNumber(item.substr(0, dash), first)) return false;
        last = first;
        if (dash != std::string::npos && !parseNumber(item.substr(dash + 1), last)) return false;
        if (first < 1 || last > 16 || first > last || first != static_cast<int>(first) ||
            last != static_cast<int>(last)) {
            return false;
        }
        for (int channel = static_cast<int>(first); channel <= static_cast<int>(last); ++channel)
            channels.push_back(channel - 1);
    }
    return !channels.empty();
}

}  // namespace

const char* hostUsage() {
    return "usage: qmtasiohost [--driver NAME | --library PATH [--clsid {GUID}]] [--simulate]\n"
           "                   [--seconds S] [--rate HZ] [--buffer FRAMES]\n"
           "                   [--play FILE.wav | --silence] [--outputs LIST]\n"
           "                   [--record FILE.wav] [--inputs LIST] [--sim-render DIR] [--quiet]\n"
           "       qmtasiohost --list | --info [--driver NAME | --library PATH]\n"
           "\n"
           "Loads an ASIO driver as a host does (the registered driver, or a library file),\n"
           "prints its channels, latencies, buffer sizes and channel names, then streams for\n"
           "the given time: a test tone (or a WAV file) to the chosen outputs, the chosen\n"
           "inputs into a WAV file, with buffer-switch timing while it runs.\n"
           "LIST is channel numbers from 1 to 16, e.g. 1,2 or 1-8 (default 1,2).\n"
           "--simulate (or QMT_SIMULATE=1) runs the driver on simulated controllers; with\n"
           "--sim-render DIR their sound cards leave what they played in DIR as WAV files.\n";
}

bool parseHostOptions(const std::vector<std::string>& args, HostOptions& options, bool& help,
                      std::string& error) {
    help = false;
    options = HostOptions{};
    options.outputs = {0, 1};
    std::vector<std::string> rest = args;
    options.simulate = TakeSimulateOption(rest);
    bool inputsGiven = false;
    for (size_t i = 0; i < rest.size(); ++i) {
        const std::string& arg = rest[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= rest.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = rest[++i];
            return true;
        };
        std::string text;
        double number = 0;
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        } else if (arg == "--driver") {
            if (!value(options.driverName)) return false;
        } else if (arg == "--library") {
            if (!value(options.libraryPath)) return false;
        } else if (arg == "--clsid") {
            if (!value(options.classId)) return false;
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "--info") {
            options.infoOnly = true;
        } else if (arg == "--sim-render") {
            if (!value(options.simRenderDir)) return false;
        } else if (arg == "--seconds" || arg == "--rate" || arg == "--buffer") {
            if (!value(text)) return false;
            // The range comes before the conversion: a larger number has no int32_t.
            if (!parseNumber(text, number) || number <= 0 ||
                (arg == "--buffer" && (number > 1e6 || number != static_cast<int32_t>(number)))) {
                error = arg + " takes a positive number, not '" + text + "'";
                return false;
            }
            if (arg == "--seconds") options.seconds = number;
            if (arg == "--rate") options.rate = number;
            if (arg == "--buffer") options.bufferFrames = static_cast<int32_t>(number);
        } else if (arg == "--play") {
            if (!value(options.playFile)) return false;
        } else if (arg == "--silence") {
            options.tone = false;
        } else if (arg == "--outputs" || arg == "--inputs") {
            if (!value(text)) return false;
            std::vector<int32_t>& channels = arg == "--outputs" ? options.outputs : options.inputs;
            if (!parseChannels(text, channels)) {
                error =
                    arg + " takes channel numbers 1 to 16 such as 1,2 or 1-8, not '" + text + "'";
                return false;
            }
            inputsGiven = inputsGiven || arg == "--inputs";
        } else if (arg == "--record") {
            if (!value(options.recordFile)) return false;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    if (!options.driverName.empty() && !options.libraryPath.empty()) {
        error = "--driver and --library name two drivers; give one";
        return false;
    }
    if (!options.recordFile.empty() && !inputsGiven) options.inputs = {0, 1};
    if (inputsGiven && options.recordFile.empty()) {
        error = "--inputs needs --record FILE.wav to record them into";
        return false;
    }
    return true;
}

}  // namespace qmt::asiohost
