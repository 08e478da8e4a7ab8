// The agent program: its start, the hand-off to a running agent, the tray icon's life, the
// menu's commands and starting the configuration program.

#include "midiagent/MidiAgent.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "AgentFixture.h"
#include "midiagent/AgentWindowIf.h"
#include "midiagent/Autorun.h"
#include "platform/ProcessLauncher.h"
#include "platform/SingleInstance.h"
#include "platform/sim/SimDeviceTree.h"

namespace qmt {
namespace {

class RecordingWindow : public AgentWindowIf {
  public:
    bool trayAvailable = true;
    bool iconShown = false;
    int adds = 0;
    int removes = 0;
    bool quit = false;
    std::vector<std::pair<std::string, std::string>> balloons;
    std::vector<std::pair<uint32_t, std::function<void()>>> timers;

    bool addTrayIcon() override {
        ++adds;
        iconShown = trayAvailable;
        return iconShown;
    }
    void removeTrayIcon() override {
        ++removes;
        iconShown = false;
    }
    bool showBalloon(const std::string& title, const std::string& text) override {
        if (!iconShown) return false;
        balloons.emplace_back(title, text);
        return true;
    }
    void postQuit() override { quit = true; }
    void callAfter(uint32_t ms, std::function<void()> action) override {
        timers.emplace_back(ms, std::move(action));
    }
};

class RecordingLauncher : public ProcessLauncherIf {
  public:
    struct Started {
        std::string path;
        std::vector<std::string> arguments;
    };
    std::vector<Started> started;

    bool startProcess(const std::string& path, const std::vector<std::string>& arguments) override {
        started.push_back({path, arguments});
        return true;
    }
};

class MidiAgentTest : public AgentFixture, public ::testing::Test {
  protected:
    MidiAgentTest() { std::filesystem::create_directories(programFolder); }
    ~MidiAgentTest() override { std::filesystem::current_path(startFolder); }

    // An agent started from the program folder with this argument text, owning (or not)
    // the single-instance name in the fixture's runtime folder.
    std::unique_ptr<MidiAgent> agent(const std::string& argumentText,
                                     std::unique_ptr<SingleInstance>& instance) {
        instance = std::make_unique<SingleInstance>(MidiAgent::kInstanceName, runtime);
        return std::make_unique<MidiAgent>(
            AgentServices{registry, messages, view, tree, autorun, *instance, [this] { ++reloads; },
                          launcher, folder.file("data")},
            FullCommandLineOf(programFolder + "/qmtmidiagent", argumentText), argumentText);
    }

    const std::filesystem::path startFolder = std::filesystem::current_path();
    const std::string programFolder = folder.file("my programs");
    const std::string runtime = folder.file("run");
    // The first start copies the machine's mapping folder here and works on the copies.
    const std::string userMappings = folder.file("data/qmt/mappings");
    AutorunEntry autorun{folder.file("autostart/qmtmidiagent.desktop")};
    SimDeviceTree tree;
    RecordingWindow window;
    RecordingLauncher launcher;
    std::vector<RecordingLauncher::Started>& started = launcher.started;
    std::unique_ptr<SingleInstance> firstInstance, secondInstance;
};

TEST_F(MidiAgentTest, ASecondStartHandsOverAndTheFirstShowsTheBalloon) {
    writeMapping("TraktorPro 1.2 - Single Controller.kdm");
    auto first = agent("", firstInstance);
    ASSERT_TRUE(first->startUp());
    EXPECT_EQ(std::filesystem::current_path(), programFolder);
    EXPECT_EQ(selected(), userMappings + "/TraktorPro 1.2 - Single Controller.kdm");
    first->startTray(window);
    EXPECT_TRUE(window.iconShown);

    auto second = agent("", secondInstance);
    EXPECT_FALSE(second->startUp());
    for (uint8_t request : firstInstance->takeRequests())
        first->onRequest(request);
    ASSERT_EQ(window.balloons.size(), 1u);
    EXPECT_EQ(window.balloons[0].first, "QMT MIDI Agent is already running");
    EXPECT_EQ(window.balloons[0].second, "To access the agent right click the icon.");
    EXPECT_FALSE(window.quit);

    // After the notification area restarted the icon is gone: the next request puts it back.
    window.iconShown = false;
    auto third = agent("", secondInstance);
    EXPECT_FALSE(third->startUp());
    for (uint8_t request : firstInstance->takeRequests())
        first->onRequest(request);
    EXPECT_EQ(window.removes, 1);
    EXPECT_EQ(window.adds, 2);
    EXPECT_EQ(window.balloons.size(), 2u);
}

TEST_F(MidiAgentTest, QuitEndsTheRunningAgentOrEndsAtOnceWithoutOne) {
    auto lone = agent("/Quit", firstInstance);
    EXPECT_FALSE(lone->startUp());
    // Nothing was set up, nothing was asked.
    EXPECT_EQ(view.runs, 0);
    EXPECT_FALSE(std::filesystem::exists(folder.file("data/qmt")));
    EXPECT_TRUE(messages.shown().empty());
    lone.reset();
    firstInstance.reset();

    writeMapping("a.kdm");
    auto running = agent("", firstInstance);
    ASSERT_TRUE(running->startUp());
    running->startTray(window);
    auto quitter = agent("/QUIT", secondInstance);
    EXPECT_FALSE(quitter->startUp());
    EXPECT_EQ(firstInstance->takeRequests(), (std::vector<uint8_t>{MidiAgent::kQuitRequest}));
    running->onRequest(MidiAgent::kQuitRequest);
    EXPECT_TRUE(window.quit);
}

TEST_F(MidiAgentTest, ASocketLeftByACrashedAgentDoesNotStopANewOne) {
    // A bound socket file that no process serves any more.
    std::filesystem::create_directories(runtime);
    const std::string path = runtime + "/" + MidiAgent::kInstanceName;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);

    writeMapping("a.kdm");
    auto agentAfterCrash = agent("", firstInstance);
    EXPECT_TRUE(agentAfterCrash->startUp());
    EXPECT_TRUE(firstInstance->isOwner());
}

TEST_F(MidiAgentTest, SelectRunsTheStartUpPassAndEndsWithoutAnIcon) {
    writeMapping("b.kdm", {{"", 0}});
    tree.plugController(SimControllerModel::Kv10, u"KV10-0042", 1);
    auto select = agent("/select", firstInstance);
    EXPECT_FALSE(select->startUp());
    EXPECT_EQ(view.runs, 1);
    EXPECT_EQ(selected(), userMappings + "/b.kdm");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(userMappings + "/b.kdm", bytes, nullptr));
    EXPECT_EQ(ParseMapping(bytes)->entries.at(0).name, "KV10-0042");
    // The user's copy changed; the installed file did not.
    ASSERT_TRUE(ReadWholeFile(mappingFolder + "/b.kdm", bytes, nullptr));
    EXPECT_EQ(ParseMapping(bytes)->entries.at(0).name, "");
    EXPECT_EQ(window.adds, 0);
}

TEST_F(MidiAgentTest, WithoutANotificationAreaTheIconIsTriedOnceMoreTenSecondsLater) {
    writeMapping("a.kdm");
    auto running = agent("", firstInstance);
    ASSERT_TRUE(running->startUp());
    window.trayAvailable = false;
    running->startTray(window);
    ASSERT_EQ(window.timers.size(), 1u);
    EXPECT_EQ(window.timers[0].first, 10000u);
    window.trayAvailable = true;
    window.timers[0].second();
    EXPECT_EQ(window.adds, 2);
    EXPECT_TRUE(window.iconShown);
    EXPECT_EQ(window.timers.size(), 1u);
}

TEST_F(MidiAgentTest, ANotificationAreaThatAppearsLaterGetsTheIcon) {
    writeMapping("a.kdm");
    auto running = agent("", firstInstance);
    ASSERT_TRUE(running->startUp());
    window.trayAvailable = false;
    running->startTray(window);
    window.timers[0].second();  // the retry finds nothing either
    running->onTrayAvailability(false);
    EXPECT_EQ(window.adds, 2);

    // The tray host starts late, or starts again after it ended: the icon goes there once.
    window.trayAvailable = true;
    running->onTrayAvailability(true);
    running->onTrayAvailability(true);
    EXPECT_EQ(window.adds, 3);
    EXPECT_TRUE(window.iconShown);
    running->onTrayAvailability(false);
    window.iconShown = false;
    running->onTrayAvailability(true);
    EXPECT_EQ(window.adds, 4);
    EXPECT_TRUE(window.iconShown);
}

TEST_F(MidiAgentTest, MenuCommandsSelectToggleAutorunAndQuit) {
    writeMapping("Club.kdm");
    writeMapping("Set - A.kdm");
    writeMapping("Set - B.kdm");
    view.pick = 0;
    auto running = agent("", firstInstance);
    ASSERT_TRUE(running->startUp());
    running->startTray(window);

    AgentMenu menu = running->openMenu();
    ASSERT_EQ(menu[1].items.at(1).label, "B");
    running->onMenuCommand(menu[1].items[1].command);
    EXPECT_EQ(selected(), userMappings + "/Set - B.kdm");
    // Club at start, then Set - B.
    EXPECT_EQ(reloads, 2);

    menu = running->openMenu();
    EXPECT_TRUE(menu[1].checked);
    EXPECT_EQ(menu[3].label, "Show editor");
    running->onMenuCommand(menu[4].command);  // Enable autorun
    EXPECT_TRUE(autorun.IsAutorunEnabled());
    EXPECT_EQ(running->openMenu()[4].label, "Disable autorun");
    running->onMenuCommand(kDisableAutorunCommand);
    EXPECT_FALSE(autorun.IsAutorunEnabled());

    // A command past the list (the folder changed while the menu was open) does nothing.
    running->openMenu();
    running->onMenuCommand(kFirstMappingCommand + 3);
    EXPECT_EQ(reloads, 2);
    running->onMenuCommand(kExitCommand);
    EXPECT_TRUE(window.quit);
}

TEST_F(MidiAgentTest, TheEditorIsStartedFromTheAgentsFolderOrItsAbsenceExplained) {
    writeMapping("a.kdm");
    auto running = agent("", firstInstance);
    ASSERT_TRUE(running->startUp());
    running->startTray(window);
    const std::string editor = programFolder + "/qmtmidiconfig";

    running->onIconDoubleClicked();
    EXPECT_TRUE(started.empty());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].caption, "Error");
    EXPECT_EQ(messages.shown()[0].text, "The configuration program was not found:\n" + editor);

    folder.write("my programs/qmtmidiconfig", "#!/bin/sh\n");
    running->onMenuCommand(kShowEditorCommand);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].path, editor);
    EXPECT_EQ(started[0].arguments, std::vector<std::string>{editor});
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST_F(MidiAgentTest, BalloonTextsLongerThanSixtyThreeCharactersAreShownEmpty) {
    writeMapping("a.kdm");
    auto running = agent("", firstInstance);
    ASSERT_TRUE(running->startUp());
    running->startTray(window);
    ASSERT_TRUE(running->ShowBalloon(std::string(63, 't'), std::string(64, 'x')));
    EXPECT_EQ(window.balloons.back().first, std::string(63, 't'));
    EXPECT_EQ(window.balloons.back().second, "");
}

}  // namespace
}  // namespace qmt
