#pragma once
// What the agent's logic needs from its window and tray icon; the Qt view implements it
// (midiagent/qt/), tests record it.

#include <cstdint>
#include <functional>
#include <string>

namespace qmt {

class AgentWindowIf {
  public:
    virtual ~AgentWindowIf() = default;

    // Puts the icon with its tip into the notification area; false when there is none.
    virtual bool addTrayIcon() = 0;
    virtual void removeTrayIcon() = 0;
    // Shows a balloon on the icon for a short while; false when the icon is not shown.
    virtual bool showBalloon(const std::string& title, const std::string& text) = 0;
    // Ends the agent's event loop once the current event is handled.
    virtual void postQuit() = 0;
    // Calls `action` once, `ms` milliseconds from now, on the agent's thread.
    virtual void callAfter(uint32_t ms, std::function<void()> action) = 0;
};

}  // namespace qmt
