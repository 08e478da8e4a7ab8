#pragma once
// The command line of qmtasiohost.

#include <cstdint>
#include <string>
#include <vector>

namespace qmt::asiohost {

struct HostOptions {
    std::string driverName;        // --driver: a registered driver by name or description
    std::string libraryPath;       // --library: load this file instead
    std::string classId;           // --clsid: the class to create from --library
    bool list = false;             // --list: the registered drivers, then exit
    bool infoOnly = false;         // --info: the driver's channels and sizes, then exit
    bool simulate = false;         // --simulate, or QMT_SIMULATE=1
    std::string simRenderDir;      // --sim-render: where sim cards leave what they played
    double seconds = 5;            // --seconds
    double rate = 0;               // --rate; 0: the file's rate when playing one, else the driver's
    int32_t bufferFrames = 0;      // --buffer; 0: the driver's preferred size
    std::string playFile;          // --play: a WAV file instead of the test tone
    bool tone = true;              // --silence turns the test tone off
    std::vector<int32_t> outputs;  // --outputs 1,2 (numbered from 1, stored from 0)
    std::string recordFile;        // --record
    std::vector<int32_t> inputs;   // --inputs
    bool quiet = false;            // --quiet: no progress line
};

// False with a message in `error` for a bad command line; `help` is set for --help.
bool parseHostOptions(const std::vector<std::string>& args, HostOptions& options, bool& help,
                      std::string& error);
const char* hostUsage();

}  // namespace qmt::asiohost
