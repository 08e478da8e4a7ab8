// qmt_loopback_measure: the figures of the README's table for the driver on two loopback
// cards, run on request inside the test guest (never by CI: a run takes minutes).
//
//   qmt_loopback_measure [--ppm N] SECONDS BUFFER
//   qmt_loopback_measure [--ppm N] --command 'SHELL COMMAND' --processes a,b SECONDS
//
// The first streams qmtasiohost's WAV of sines through two ARDO controllers whose cards are
// loopback cards held at 44.1 and 48 kHz (the second running N parts per million fast), and
// prints the buffer switches and missed halves the host saw, the gaps heard on each card's
// far side with the time of the first, and the CPU share of the driver's streaming thread,
// of its card threads and of the whole host process, sampled from /proc while it streams.
// The second holds the same two cards the same way and runs a command instead, with the two
// card numbers, the seconds and the WAV of sines as $1 $2 $3 $4, and with the environment
// that makes the driver library see the two ARDOs (QMT_SYSFS_ROOT, QMT_REGISTRY_DIR) and
// names QMT_ASIO_LIBRARY and QMT_FRONTEND (qmtasio-pipewire): the front end on the desktop's
// server (bench/loopback/frontend-join.sh, --tones: it plays the WAV like the host), or
// another program's way of joining the cards (bench/loopback/jack-join.sh, its own sine to
// the first two channels of each card). The CPU of the named processes is reported beside
// the same far-side gaps.

#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackCard.h"
#include "LoopbackStreaming.h"

namespace qmt::vm {
namespace {

struct TaskTimes {
    std::string name;
    bool realtime = false;
    double cpuSeconds = 0;
};

// One task's name, scheduling policy and CPU time from /proc/PID/task/TID/stat.
bool readTask(const std::string& statPath, TaskTimes& task) {
    std::ifstream file(statPath);
    std::string text;
    if (!std::getline(file, text)) return false;
    const size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return false;
    task.name = text.substr(open + 1, close - open - 1);
    std::istringstream fields(text.substr(close + 2));
    std::vector<std::string> values;
    for (std::string value; fields >> value;)
        values.push_back(value);
    // Fields from the state on (field 3): utime is field 14, stime 15, policy 41.
    if (values.size() < 39) return false;
    const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
    task.cpuSeconds = (std::stod(values[11]) + std::stod(values[12])) / tick;
    task.realtime = std::stoi(values[38]) == 1;  // SCHED_FIFO
    return true;
}

int findProcess(const std::string& name) {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return -1;
    int found = -1;
    while (dirent* entry = ::readdir(proc)) {
        const int pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string text;
        if (std::getline(comm, text) && text == name) found = pid;
    }
    ::closedir(proc);
    return found;
}

// Samples the named processes while they run: each thread's CPU time between the first and
// the last time it was seen, over the wall time between those samples.
class CpuSampler {
  public:
    explicit CpuSampler(std::vector<std::string> names) : names_(std::move(names)) {}
    void start() {
        thread_ = std::thread([this] { run(); });
    }
    void stop() {
        running_ = false;
        thread_.join();
    }
    void print() const {
        std::map<std::string, double> perProcess;
        double streaming = 0, pins = 0, span = 0;
        for (const auto& [key, seen] : tasks_) {
            const double used = seen.last.cpuSeconds - seen.first.cpuSeconds;
            span = std::max(span, seen.lastAt - seen.firstAt);
            perProcess[key.first] += used;
            if (key.first != "qmtasiohost") continue;
            if (seen.last.name == "qmt-pcm")
                pins += used;
            else if (seen.last.realtime)
                streaming += used;
        }
        if (span <= 0) {
            std::printf("cpu: none of the processes was seen running\n");
            return;
        }
        std::printf("cpu over %.0f s, in %% of one core:", span);
        for (const auto& [name, used] : perProcess)
            std::printf(" %s %.2f", name.c_str(), 100 * used / span);
        if (perProcess.count("qmtasiohost") != 0)
            std::printf(" (its streaming thread %.2f, card threads %.2f)", 100 * streaming / span,
                        100 * pins / span);
        std::printf("\n");
    }

  private:
    struct Seen {
        TaskTimes first, last;
        double firstAt = 0, lastAt = 0;
    };

    void run() {
        const auto begin = std::chrono::steady_clock::now();
        while (running_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const double now =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            for (const std::string& name : names_) {
                const int pid = findProcess(name);
                if (pid >= 0) sample(name, pid, now);
            }
        }
    }

    void sample(const std::string& name, int pid, double now) {
        const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
        DIR* folder = ::opendir(tasks.c_str());
        if (folder == nullptr) return;
        while (dirent* entry = ::readdir(folder)) {
            const int tid = std::atoi(entry->d_name);
            TaskTimes task;
            if (tid <= 0 || !readTask(tasks + "/" + entry->d_name + "/stat", task)) continue;
            auto [at, fresh] = tasks_.try_emplace({name, tid});
            if (fresh) {
                at->second.first = task;
                at->second.firstAt = now;
            }
            at->second.last = task;
            at->second.lastAt = now;
        }
        ::closedir(folder);
    }

    std::vector<std::string> names_;
    std::thread thread_;
    std::atomic<bool> running_{true};
    std::map<std::pair<std::string, int>, Seen> tasks_;
};

// firstTone < 0: whatever sine the other program plays.
void printCard(const char* name, const FarSideRecorder& side, int firstTone,
               const std::vector<unsigned>& kTones) {
    std::printf("%s at %u Hz: recorder overruns %u\n", name, side.rate(), side.overruns());
    for (unsigned c = 0; c < 2; ++c) {
        const ToneCheck tone = CheckTone(side.frames(), side.keptChannels(), c, side.rate(),
                                         firstTone < 0 ? 0 : kTones[firstTone + c]);
        std::printf("  channel %u: %.1f Hz, %.1f s, %u gaps, first at %.1f s\n", c + 1, tone.hz,
                    tone.seconds, tone.glitches, tone.firstGlitchSeconds);
    }
}

struct Options {
    double seconds = 0;
    int buffer = 0;
    int ppm = 0;
    std::string command;
    std::vector<std::string> processes;
    bool tones = false;  // the command plays the WAV of sines
};

int measure(const Options& options) {
    std::string why;
    const std::vector<int> cards = LoopbackCardIndices(2, why);
    if (cards.empty()) {
        std::fprintf(stderr, "qmt_loopback_measure: %s\n", why.c_str());
        return 77;
    }
    if (!ShiftLoopbackRate(cards[1], options.ppm, why)) {
        std::fprintf(stderr, "qmt_loopback_measure: %s\n", why.c_str());
        return 1;
    }
    // Only the two channels played are kept: ten minutes of all six would not fit the guest.
    FarSideRecorder slow(cards[0], 44100, 2), fast(cards[1], 48000, 2);
    slow.reserve(options.seconds + 20);
    fast.reserve(options.seconds + 20);
    if (!slow.ok() || !fast.ok()) {
        std::fprintf(stderr, "qmt_loopback_measure: %s%s\n", slow.error().c_str(),
                     fast.error().c_str());
        return 1;
    }
    LoopbackControllers controllers(cards[0], cards[1]);
    const std::string tones = controllers.registryFolder() + "/tones.wav";
    const bool driver = options.command.empty();
    // The host holds the whole file in memory: past two minutes one 400 Hz channel, which it
    // plays to every output, keeps a ten-minute run inside the guest's memory.
    const bool mono = options.seconds > 120;
    const std::vector<unsigned> played = mono ? std::vector<unsigned>{400, 400, 400, 400}
                                              : std::vector<unsigned>{400, 600, 800, 1000};
    if (!WriteToneFile(tones, options.seconds + 5, mono ? std::vector<unsigned>{400} : played,
                       why)) {
        std::fprintf(stderr, "qmt_loopback_measure: %s\n", why.c_str());
        return 1;
    }
    std::printf(
        "%.0f s, %s, second card %+d ppm%s\n", options.seconds,
        driver
            ? ("the driver at " + std::to_string(options.buffer) + "-frame buffers, 48 kHz").c_str()
            : options.command.c_str(),
        options.ppm, GuestIsEmulated() ? " (guest under software emulation)" : "");
    std::fflush(stdout);
    CpuSampler cpu(driver ? std::vector<std::string>{"qmtasiohost"} : options.processes);
    slow.start();
    fast.start();
    cpu.start();
    HostRun run;
    if (driver) {
        run = RunHost(QMT_ASIOHOST_PATH, QMT_ASIO_LIBRARY_PATH, controllers, options.seconds,
                      options.buffer, tones, "1,2,7,8");
    } else {
        ::setenv("QMT_SYSFS_ROOT", controllers.sysRoot().c_str(), 1);
        ::setenv("QMT_REGISTRY_DIR", controllers.registryFolder().c_str(), 1);
        ::setenv("QMT_ASIO_LIBRARY", QMT_ASIO_LIBRARY_PATH, 1);
#ifdef QMT_FRONTEND_PATH
        ::setenv("QMT_FRONTEND", QMT_FRONTEND_PATH, 1);
#endif
        const std::string command =
            options.command + " " + std::to_string(cards[0]) + " " + std::to_string(cards[1]) +
            " " + std::to_string(static_cast<int>(options.seconds)) + " " + tones + " 2>&1";
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char line[1024];
            while (std::fgets(line, sizeof line, pipe) != nullptr)
                run.output += line;
            run.status = ::pclose(pipe);
        }
    }
    cpu.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    slow.stop();
    fast.stop();
    ShiftLoopbackRate(cards[1], 0, why);
    if (driver && !run.summarised) {
        std::printf("the host did not finish (status %d):\n%s", run.status, run.output.c_str());
        return 1;
    }
    if (driver) {
        std::printf(
            "host: %llu buffer switches, period %.3f ms, worst %.1f ms late, missed "
            "halves %llu\n",
            static_cast<unsigned long long>(run.switches), run.periodMs, run.jitterMaxMs,
            static_cast<unsigned long long>(run.missedHalves));
    } else {
        std::printf("%s", run.output.c_str());
    }
    cpu.print();
    const bool known = driver || options.tones;
    printCard("card 1", slow, known ? 0 : -1, played);
    printCard("card 2", fast, known ? 2 : -1, played);
    std::printf("measured rates: card 1 %+.1f ppm, card 2 %+.1f ppm\n", slow.measuredPpm(),
                fast.measuredPpm());
    return 0;
}

std::vector<std::string> splitNames(const std::string& list) {
    std::vector<std::string> names;
    std::istringstream in(list);
    for (std::string name; std::getline(in, name, ',');)
        names.push_back(name);
    return names;
}

}  // namespace
}  // namespace qmt::vm

int main(int argc, char** argv) {
    qmt::vm::Options options;
    std::vector<std::string> numbers;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ppm" && i + 1 < argc) {
            options.ppm = std::atoi(argv[++i]);
        } else if (arg == "--command" && i + 1 < argc) {
            options.command = argv[++i];
        } else if (arg == "--tones") {
            options.tones = true;
        } else if (arg == "--processes" && i + 1 < argc) {
            options.processes = qmt::vm::splitNames(argv[++i]);
        } else {
            numbers.push_back(arg);
        }
    }
    const bool driver = options.command.empty();
    if (numbers.size() != (driver ? 2u : 1u)) {
        std::fprintf(
            stderr,
            "usage: qmt_loopback_measure [--ppm N] SECONDS BUFFER\n"
            "       qmt_loopback_measure [--ppm N] --command CMD --processes a,b [--tones] "
            "SECONDS\n");
        return 2;
    }
    options.seconds = std::atof(numbers[0].c_str());
    if (driver) options.buffer = std::atoi(numbers[1].c_str());
    return qmt::vm::measure(options);
}
