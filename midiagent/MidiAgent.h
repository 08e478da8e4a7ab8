#pragma once
// The tray agent: its start, in the order below, and its answers to the user and to later
// starts of the program while it sits in the notification area.
//
// Start: the brand; the agent's folder becomes the working folder (the configuration
// program is found there); the argument; the hand-off to an agent already running (end);
// "/quit" without one (end); the user's own folders on first start; a mapping selected; the
// connected controllers added to it; "/select" (end); else the tray phase.
//
// Single-threaded: everything runs on the thread of the agent's event loop.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midiagent/AgentCommandLine.h"
#include "midiagent/AgentMenu.h"
#include "midiagent/MappingList.h"
#include "midiagent/MappingSelection.h"

namespace qmt {

class AgentWindowIf;
class AutorunEntry;
class DeviceEnumeratorIf;
class MappingSelectionViewIf;
class MessageBoxIf;
class ProcessLauncherIf;
class QmtMidiBrand;
class RegistryIf;
class SingleInstance;

// The outside world the agent works in, given by its program (or a test).
struct AgentServices {
    RegistryIf& registry;
    MessageBoxIf& messages;
    MappingSelectionViewIf& selectionView;
    DeviceEnumeratorIf& devices;
    AutorunEntry& autorun;
    SingleInstance& instance;
    std::function<void()> notifyDriver;
    ProcessLauncherIf& launcher;  // starts the configuration program
    std::string dataHome;         // where the user's own folders go ($XDG_DATA_HOME)
};

class MidiAgent {
  public:
    // The name the running agent is found by.
    static constexpr const char* kInstanceName = "QMTMidiAgentWindowClass";
    // Requests a later start hands to the running agent.
    static constexpr uint8_t kAlreadyRunningRequest = 1;
    static constexpr uint8_t kQuitRequest = 2;
    static constexpr const char* kTip = "QMT MIDI Agent";
    static constexpr const char* kEditorProgram = "qmtmidiconfig";
    // A failed icon is tried once more after this long.
    static constexpr uint32_t kTrayRetryMs = 10000;
    // Longer balloon titles and texts are shown empty.
    static constexpr size_t kMaxBalloonText = 63;
    // Longer working folders count as not retrieved.
    static constexpr size_t kMaxWorkingFolder = 520;

    // `commandLine` is the full command line (program path first), `argumentText` the part
    // after the program.
    MidiAgent(AgentServices services, std::string commandLine, std::string argumentText);
    ~MidiAgent();

    // Everything before the tray phase. True when the caller is to run the tray phase.
    bool startUp();
    AgentArgument argument() const { return argument_; }
    MappingSelection& selection() { return selection_; }

    // The tray phase: the icon (tried again once after kTrayRetryMs when there is no
    // notification area), then the requests, the icon's double click and the menu.
    void startTray(AgentWindowIf& window);
    // The view's watch on the notification area. When one appears (a tray host started
    // after the agent, or started again), the icon is put into it.
    void onTrayAvailability(bool available);
    void onRequest(uint8_t request);
    void onIconDoubleClicked();
    // Reads the mapping list and builds the menu; the list is kept for onMenuCommand.
    AgentMenu openMenu();
    void onMenuCommand(int command);
    void endTray();

    bool ShowBalloon(const std::string& title, const std::string& text);
    void StartEditor();

  private:
    void claimOrHandOff(bool& handedOff);

    AgentServices services_;
    const std::string commandLine_;
    const std::string argumentText_;
    AgentArgument argument_ = AgentArgument::None;
    std::unique_ptr<QmtMidiBrand> brand_;
    MappingSelection selection_;
    AgentWindowIf* window_ = nullptr;
    bool trayAvailable_ = false;
    MappingList menuList_;
};

}  // namespace qmt
