#include "QmtMidiService.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace qmt::vm {

namespace {

// .reg strings escape backslashes and quotes.
std::string RegString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

// This program's environment with the service's own runtime and registry folders.
std::vector<std::string> ServiceEnvironment(const std::string& runtime,
                                            const std::string& registry) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (text.rfind("XDG_RUNTIME_DIR=", 0) != 0 && text.rfind("QMT_REGISTRY_DIR=", 0) != 0)
            entries.push_back(text);
    }
    entries.push_back("XDG_RUNTIME_DIR=" + runtime);
    entries.push_back("QMT_REGISTRY_DIR=" + registry);
    return entries;
}

int ExitCode(int status) {
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

}  // namespace

QmtMidiService::QmtMidiService()
    : runtimeFolder_(home_.makeFolder("runtime", 0700)),
      registryFolder_(home_.makeFolder("registry")) {}

QmtMidiService::~QmtMidiService() {
    stop();
}

std::string QmtMidiService::Binary() {
    std::string candidates[] = {
        std::getenv("QMT_MIDI_BINARY") ? std::getenv("QMT_MIDI_BINARY") : "",
#ifdef QMT_MIDI_BINARY_PATH
        QMT_MIDI_BINARY_PATH
#endif
    };
    for (const std::string& candidate : candidates)
        if (!candidate.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    return {};
}

bool QmtMidiService::writeHive(const std::string& file, const std::string& hive,
                               const std::vector<std::pair<std::string, std::string>>& values) {
    std::ofstream out(registryFolder_ + "/" + file, std::ios::trunc);
    out << "Windows Registry Editor Version 5.00\n\n[" << hive << "\\Software\\QMT\\QMTMIDI]\n";
    for (const auto& [name, value] : values)
        out << RegString(name) << "=" << RegString(value) << "\n";
    return static_cast<bool>(out);
}

bool QmtMidiService::setMachineValues(const std::string& presetPath,
                                      const std::string& mappingPath) {
    return writeHive("machine.reg", "HKEY_LOCAL_MACHINE",
                     {{"Preset Path", presetPath}, {"Mapping Path", mappingPath}});
}

bool QmtMidiService::setSelectedMapping(const std::string& mappingFile) {
    return writeHive("user.reg", "HKEY_CURRENT_USER", {{"Selected Mapping", mappingFile}});
}

bool QmtMidiService::start(const std::vector<std::string>& arguments, std::string& error) {
    const std::string binary = Binary();
    if (binary.empty()) {
        error = "no qmtmidi binary (set QMT_MIDI_BINARY)";
        return false;
    }
    // The child reports a failed exec through a pipe that closes on a successful one.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> words{binary};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // Built before fork: only async-signal-safe calls are allowed in the child.
    std::vector<std::string> environment = ServiceEnvironment(runtimeFolder_, registryFolder_);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const int log = logFile_.empty()
                        ? -1
                        : ::open(logFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    pid_ = ::fork();
    if (pid_ == 0) {
        if (log >= 0) ::dup2(log, STDERR_FILENO);
        ::execve(binary.c_str(), argv.data(), envp.data());
        const int code = errno;
        [[maybe_unused]] const ssize_t ignored = ::write(pipeFds[1], &code, sizeof code);
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (log >= 0) ::close(log);
    int code = 0;
    const ssize_t got = pid_ > 0 ? ::read(pipeFds[0], &code, sizeof code) : -1;
    ::close(pipeFds[0]);
    if (pid_ < 0 || got > 0) {
        error = "cannot start " + binary + ": " + std::strerror(pid_ < 0 ? errno : code);
        stop();
        return false;
    }
    return true;
}

bool QmtMidiService::alive() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    exitStatus_ = ExitCode(status);
    pid_ = -1;
    return false;
}

std::optional<int> QmtMidiService::stop(std::chrono::milliseconds grace) {
    if (pid_ <= 0) return std::nullopt;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) {
        ::kill(pid_, SIGKILL);
        done = ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    if (done > 0) exitStatus_ = ExitCode(status);
    return exitStatus_;
}

}  // namespace qmt::vm
