#pragma once
// The agent's tray icon and its menu, drawn by Qt. It forwards the icon's double click, the
// menu's commands and the requests of later starts (read from the single-instance socket)
// to the agent's logic, and builds the menu anew each time it opens. Whether there is a
// notification area is looked at every two seconds: Qt tells nobody when one appears.

#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

#include "midiagent/AgentMenu.h"
#include "midiagent/AgentWindowIf.h"

class QMenu;
class QSocketNotifier;
class QTimer;

namespace qmt {

class MidiAgent;
class SingleInstance;

class QtAgentWindow final : public QObject, public AgentWindowIf {
    Q_OBJECT

  public:
    QtAgentWindow(MidiAgent& agent, SingleInstance& instance);
    ~QtAgentWindow() override;

    bool addTrayIcon() override;
    void removeTrayIcon() override;
    bool showBalloon(const std::string& title, const std::string& text) override;
    void postQuit() override;
    void callAfter(uint32_t ms, std::function<void()> action) override;

    QSystemTrayIcon& trayIcon() { return *icon_; }
    QMenu& menu() { return *menu_; }

    // Fills a Qt menu from the menu data; each command item calls `chosen` with its command.
    static void fillMenu(QMenu& menu, const AgentMenu& items,
                         const std::function<void(int)>& chosen);

  private:
    void rebuildMenu();
    void readRequests();

    MidiAgent& agent_;
    SingleInstance& instance_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QSocketNotifier> requests_;
    QTimer* trayWatch_;
};

}  // namespace qmt
