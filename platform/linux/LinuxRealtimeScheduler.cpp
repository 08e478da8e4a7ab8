#include "platform/linux/LinuxRealtimeScheduler.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#ifdef QMT_HAVE_SDBUS
#include <systemd/sd-bus.h>
#endif

namespace qmt {

bool LinuxRealtimeScheduler::makeCurrentThreadRealtime(std::string& refusal) {
    FifoRealtimeScheduler fifo;
    std::string fifoRefusal;
    if (fifo.makeCurrentThreadRealtime(fifoRefusal)) return true;
    std::string rtkitRefusal;
    if (requestRealtimeFromRtkit(FifoRealtimeScheduler::kPriority, rtkitRefusal)) return true;
    refusal = fifoRefusal + "; " + rtkitRefusal;
    return false;
}

#ifdef QMT_HAVE_SDBUS

namespace {

constexpr const char* kService = "org.freedesktop.RealtimeKit1";
constexpr const char* kObject = "/org/freedesktop/RealtimeKit1";

std::string reasonOf(const sd_bus_error& error, int status) {
    if (error.message != nullptr) return error.message;
    return "error " + std::to_string(-status);
}

// rtkit refuses threads that could run without ever blocking for longer than its bound.
bool limitRealtimeCpu(sd_bus* bus, std::string& refusal) {
    sd_bus_error error{};  // SD_BUS_ERROR_NULL, without its C compound literal
    int64_t bound = 0;
    int status = sd_bus_get_property_trivial(bus, kService, kObject, kService, "RTTimeUSecMax",
                                             &error, 'x', &bound);
    if (status < 0) {
        refusal = "rtkit: " + reasonOf(error, status);
        sd_bus_error_free(&error);
        return false;
    }
    rlimit limit{};
    if (::getrlimit(RLIMIT_RTTIME, &limit) != 0) return false;
    const auto wanted = static_cast<rlim_t>(bound);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= wanted) return true;
    limit.rlim_cur = std::min(limit.rlim_cur, wanted);
    limit.rlim_max = wanted;
    if (::setrlimit(RLIMIT_RTTIME, &limit) != 0) {
        refusal = "rtkit: cannot lower RLIMIT_RTTIME";
        return false;
    }
    return true;
}

}  // namespace

bool requestRealtimeFromRtkit(int priority, std::string& refusal) {
    sd_bus* bus = nullptr;
    int status = sd_bus_open_system(&bus);
    if (status < 0) {
        refusal = "rtkit: no system bus";
        return false;
    }
    sd_bus_error error{};  // SD_BUS_ERROR_NULL, without its C compound literal
    int32_t maximum = 0;
    status = sd_bus_get_property_trivial(bus, kService, kObject, kService, "MaxRealtimePriority",
                                         &error, 'i', &maximum);
    bool granted = false;
    if (status < 0) {
        refusal = "rtkit: " + reasonOf(error, status);
    } else if (limitRealtimeCpu(bus, refusal)) {
        sd_bus_error_free(&error);
        const auto thread = static_cast<uint64_t>(::gettid());
        const auto level = static_cast<uint32_t>(std::min<int32_t>(priority, maximum));
        status = sd_bus_call_method(bus, kService, kObject, kService, "MakeThreadRealtime", &error,
                                    nullptr, "tu", thread, level);
        granted = status >= 0;
        if (!granted) refusal = "rtkit: " + reasonOf(error, status);
    }
    sd_bus_error_free(&error);
    sd_bus_unref(bus);
    return granted;
}

#else

bool requestRealtimeFromRtkit(int /*priority*/, std::string& refusal) {
    refusal = "rtkit: not built in (libsystemd-dev was missing)";
    return false;
}

#endif

}  // namespace qmt
