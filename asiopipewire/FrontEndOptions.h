#pragma once
// The command line of qmtasio-pipewire.

#include <string>
#include <vector>

#include "asiohost/AsioDriverChoice.h"

namespace qmt {

struct FrontEndOptions {
    asiohost::DriverRequest driver;  // --driver NAME | --library PATH [--clsid {GUID}]
    bool list = false;               // --list: the registered drivers, then exit
    double rate = 0;                 // --rate: asked of the driver; 0 keeps its own rate
    bool verbose = false;            // --verbose: quantum, rate, cards and xruns
    double seconds = 0;              // --seconds: stop after this long; 0 runs until stopped
    bool simulate = false;           // --simulate, or QMT_SIMULATE=1
    std::string simRenderDir;        // --sim-render: where sim cards leave what they played
};

// False with the reason for a bad command line; `help` is set for --help.
bool parseFrontEndOptions(const std::vector<std::string>& args, FrontEndOptions& options,
                          bool& help, std::string& error);
const char* frontEndUsage();

}  // namespace qmt
