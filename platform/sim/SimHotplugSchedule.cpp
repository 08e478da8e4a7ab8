#include "platform/sim/SimHotplugSchedule.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

namespace qmt {

namespace {

bool parseStep(const std::string& serial, const std::string& text, SimHotplugStep& step) {
    const size_t at = text.find('@');
    if (at == std::string::npos) return false;
    const std::string action = text.substr(0, at);
    if (action != "plug" && action != "unplug") return false;
    const std::string seconds = text.substr(at + 1);
    char* end = nullptr;
    step.seconds = std::strtod(seconds.c_str(), &end);
    step.serial = serial;
    step.plug = action == "plug";
    return !seconds.empty() && *end == '\0' && step.seconds >= 0;
}

}  // namespace

bool ParseSimHotplugSchedule(const std::string& text, std::vector<SimHotplugStep>& steps,
                             std::string& error) {
    steps.clear();
    std::stringstream controllers(text);
    std::string controller;
    while (std::getline(controllers, controller, ';')) {
        if (controller.empty()) continue;
        const size_t colon = controller.find(':');
        if (colon == std::string::npos || colon == 0) {
            error = "QMT_SIM_HOTPLUG: \"" + controller + "\" is not SERIAL:unplug@S,plug@S";
            return false;
        }
        std::stringstream list(controller.substr(colon + 1));
        std::string item;
        while (std::getline(list, item, ',')) {
            SimHotplugStep step;
            if (!parseStep(controller.substr(0, colon), item, step)) {
                error = "QMT_SIM_HOTPLUG: \"" + item + "\" is not unplug@SECONDS or plug@SECONDS";
                return false;
            }
            steps.push_back(step);
        }
    }
    std::stable_sort(
        steps.begin(), steps.end(),
        [](const SimHotplugStep& a, const SimHotplugStep& b) { return a.seconds < b.seconds; });
    return true;
}

SimHotplugPlayer::SimHotplugPlayer(std::vector<SimHotplugStep> steps, Apply apply)
    : steps_(std::move(steps)), apply_(std::move(apply)), thread_([this] { run(); }) {}

SimHotplugPlayer::~SimHotplugPlayer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    thread_.join();
}

void SimHotplugPlayer::run() {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex_);
    for (const SimHotplugStep& step : steps_) {
        const auto due = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                     std::chrono::duration<double>(step.seconds));
        if (stop_.wait_until(lock, due, [this] { return stopping_; })) return;
        apply_(step.serial, step.plug);
    }
}

}  // namespace qmt
