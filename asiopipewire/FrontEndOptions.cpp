#include "asiopipewire/FrontEndOptions.h"

#include <cmath>
#include <cstdlib>

#include "platform/sim/SimulatedDesktop.h"

namespace qmt {

namespace {

// Finite only: "inf" and "nan" read as numbers but are neither a rate nor a duration.
bool parsePositive(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0' && std::isfinite(value) && value >= 0;
}

}  // namespace

const char* frontEndUsage() {
    return "usage: qmtasio-pipewire [--driver NAME | --library PATH [--clsid {GUID}]]\n"
           "                        [--rate HZ] [--verbose] [--seconds S] [--simulate]\n"
           "                        [--sim-render DIR]\n"
           "       qmtasio-pipewire --list\n"
           "\n"
           "Loads the ASIO driver as a host does and offers its 16 inputs and 16 outputs to\n"
           "every program of the desktop through PipeWire, as the source and the sink\n"
           "\"QMT ASIO\". The controllers' cards clock the desktop's audio graph; its quantum\n"
           "is the driver's buffer size (the control panel's \"Buffer Size\").\n"
           "--rate HZ asks the driver for that rate (default: the rate it runs at).\n"
           "--verbose prints the quantum, rate and channels, then every second the switches,\n"
           "cycles, xruns and the graph's turnaround.\n"
           "--simulate (or QMT_SIMULATE=1) runs the driver on simulated controllers; with\n"
           "--sim-render DIR their sound cards leave what they played in DIR as WAV files.\n";
}

bool parseFrontEndOptions(const std::vector<std::string>& given, FrontEndOptions& options,
                          bool& help, std::string& error) {
    std::vector<std::string> args = given;
    options.simulate = TakeSimulateOption(args);
    help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        const auto value = [&]() -> const std::string& { return args[++i]; };
        double number = 0;
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--driver" && hasValue) {
            options.driver.driverName = value();
        } else if (arg == "--library" && hasValue) {
            options.driver.libraryPath = value();
        } else if (arg == "--clsid" && hasValue) {
            options.driver.classId = value();
        } else if (arg == "--sim-render" && hasValue) {
            options.simRenderDir = value();
        } else if (arg == "--rate" && hasValue) {
            if (!parsePositive(value(), number) || number < 8000 || number > 192000) {
                error = "--rate takes a sample rate from 8000 to 192000";
                return false;
            }
            options.rate = number;
        } else if (arg == "--seconds" && hasValue) {
            if (!parsePositive(value(), number)) {
                error = "--seconds takes a number of seconds (0: until stopped)";
                return false;
            }
            options.seconds = number;
        } else {
            error = "unknown or incomplete option " + arg;
            return false;
        }
    }
    if (!options.driver.driverName.empty() && !options.driver.libraryPath.empty()) {
        error = "give either --driver or --library, not both";
        return false;
    }
    return true;
}

}  // namespace qmt
