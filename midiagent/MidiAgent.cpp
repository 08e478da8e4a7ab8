#include "midiagent/MidiAgent.h"

#include <filesystem>
#include <system_error>

#include "devices/QmtMidiBrand.h"
#include "midiagent/AgentWindowIf.h"
#include "midiagent/Autorun.h"
#include "midiagent/UserFolders.h"
#include "model/FilePaths.h"
#include "platform/MessageBoxIf.h"
#include "platform/ProcessLauncher.h"
#include "platform/SingleInstance.h"

namespace qmt {

namespace {

constexpr const char* kErrorCaption = "Error";
constexpr const char* kAlreadyRunningTitle = "QMT MIDI Agent is already running";
constexpr const char* kAlreadyRunningText = "To access the agent right click the icon.";
constexpr const char* kNoWorkingFolder = "Failed to retrieve current working directory";

std::string balloonText(const std::string& text) {
    return text.size() > MidiAgent::kMaxBalloonText ? std::string() : text;
}

}  // namespace

MidiAgent::MidiAgent(AgentServices services, std::string commandLine, std::string argumentText)
    : services_(std::move(services)),
      commandLine_(std::move(commandLine)),
      argumentText_(std::move(argumentText)),
      selection_(services_.registry, services_.messages, services_.notifyDriver) {}

MidiAgent::~MidiAgent() = default;

bool MidiAgent::startUp() {
    brand_ = std::make_unique<QmtMidiBrand>();
    EnterAgentFolder(commandLine_);
    argument_ = ParseAgentArgument(argumentText_);
    bool handedOff = false;
    claimOrHandOff(handedOff);
    if (handedOff || argument_ == AgentArgument::Quit) return false;
    EnsureUserFolders(services_.registry, services_.dataHome);
    selection_.EnsureMappingSelected(services_.selectionView);
    selection_.UpdateMappingWithControllers(services_.devices);
    return argument_ != AgentArgument::Select;
}

void MidiAgent::claimOrHandOff(bool& handedOff) {
    std::string error;
    // A name that cannot be claimed at all (no private folder) leaves this agent running on
    // its own: it cannot be found by later starts, but it does its work.
    if (services_.instance.claim(error) != SingleInstance::Claim::OtherRunning) return;
    services_.instance.sendToRunning(argument_ == AgentArgument::Quit ? kQuitRequest
                                                                      : kAlreadyRunningRequest);
    handedOff = true;
}

void MidiAgent::startTray(AgentWindowIf& window) {
    window_ = &window;
    trayAvailable_ = window.addTrayIcon();
    if (trayAvailable_) return;
    // The notification area may not be up yet at log-in; one more try, whatever it gives.
    window.callAfter(kTrayRetryMs, [this] { trayAvailable_ = window_->addTrayIcon(); });
}

void MidiAgent::onTrayAvailability(bool available) {
    if (window_ == nullptr) return;
    if (available && !trayAvailable_) {
        window_->removeTrayIcon();
        window_->addTrayIcon();
    }
    trayAvailable_ = available;
}

void MidiAgent::onRequest(uint8_t request) {
    if (window_ == nullptr) return;
    if (request == kQuitRequest) {
        window_->postQuit();
    } else if (request == kAlreadyRunningRequest) {
        if (ShowBalloon(kAlreadyRunningTitle, kAlreadyRunningText)) return;
        // The icon is gone (the notification area restarted): put it back and try again.
        window_->removeTrayIcon();
        if (window_->addTrayIcon()) ShowBalloon(kAlreadyRunningTitle, kAlreadyRunningText);
    }
}

bool MidiAgent::ShowBalloon(const std::string& title, const std::string& text) {
    return window_ != nullptr && window_->showBalloon(balloonText(title), balloonText(text));
}

void MidiAgent::onIconDoubleClicked() {
    StartEditor();
}

AgentMenu MidiAgent::openMenu() {
    menuList_ = selection_.ReadMappingList();
    return BuildTrayMenu(menuList_, services_.autorun.IsAutorunEnabled());
}

void MidiAgent::onMenuCommand(int command) {
    switch (command) {
        case kExitCommand:
            if (window_ != nullptr) window_->postQuit();
            break;
        case kShowEditorCommand:
            StartEditor();
            break;
        case kEnableAutorunCommand:
            services_.autorun.EnableAutorun(commandLine_);
            break;
        case kDisableAutorunCommand:
            services_.autorun.DisableAutorun();
            break;
        default:
            if (command >= kFirstMappingCommand &&
                static_cast<size_t>(command - kFirstMappingCommand) < menuList_.size())
                selection_.selectOrTell(menuList_[command - kFirstMappingCommand].name);
            break;
    }
    menuList_ = MappingList();
}

void MidiAgent::endTray() {
    if (window_ != nullptr) window_->removeTrayIcon();
    window_ = nullptr;
}

void MidiAgent::StartEditor() {
    std::error_code error;
    const std::string folder = std::filesystem::current_path(error).string();
    if (error || folder.size() > kMaxWorkingFolder) {
        services_.messages.show(kErrorCaption, kNoWorkingFolder, MessageBoxIcon::Warning);
        return;
    }
    const std::string program = JoinPath(folder, kEditorProgram);
    // Fixed texts with the path, never the system's error text.
    std::error_code missing;
    if (!std::filesystem::exists(program, missing)) {
        services_.messages.show(kErrorCaption,
                                "The configuration program was not found:\n" + program,
                                MessageBoxIcon::Warning);
        return;
    }
    if (!services_.launcher.startProcess(program, {program}))
        services_.messages.show(kErrorCaption,
                                "Failed to start the configuration program:\n" + program,
                                MessageBoxIcon::Warning);
}

}  // namespace qmt
