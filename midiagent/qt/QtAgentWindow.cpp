#include "midiagent/qt/QtAgentWindow.h"

#include <QCoreApplication>
#include <QFont>
#include <QIcon>
#include <QMenu>
#include <QSocketNotifier>
#include <QTimer>

#include "midiagent/MidiAgent.h"
#include "platform/SingleInstance.h"

// The icon is compiled into this library; a static library's resources are registered by
// hand (outside any namespace, as Qt's macro wants).
static void RegisterAgentResources() {
    Q_INIT_RESOURCE(qmtmidiagent);
}

namespace qmt {

namespace {

// How long a balloon stays up.
constexpr int kBalloonMs = 2000;
// How often the notification area is looked for.
constexpr int kTrayWatchMs = 2000;

QString menuText(const std::string& label) {
    // '&' marks a shortcut letter in a menu; a mapping named "Drum & Bass" means the sign.
    return QString::fromUtf8(label).replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

QtAgentWindow::QtAgentWindow(MidiAgent& agent, SingleInstance& instance)
    : agent_(agent),
      instance_(instance),
      menu_(std::make_unique<QMenu>()),
      trayWatch_(new QTimer(this)) {
    RegisterAgentResources();
    icon_ = std::make_unique<QSystemTrayIcon>(QIcon(QStringLiteral(":/qmtmidiagent.svg")));
    icon_->setToolTip(QString::fromUtf8(MidiAgent::kTip));
    icon_->setContextMenu(menu_.get());
    connect(menu_.get(), &QMenu::aboutToShow, this, &QtAgentWindow::rebuildMenu);
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) agent_.onIconDoubleClicked();
            });
    connect(trayWatch_, &QTimer::timeout, this,
            [this] { agent_.onTrayAvailability(QSystemTrayIcon::isSystemTrayAvailable()); });
    trayWatch_->start(kTrayWatchMs);
    if (instance_.isOwner()) {
        requests_ =
            std::make_unique<QSocketNotifier>(instance_.listenerFd(), QSocketNotifier::Read);
        connect(requests_.get(), &QSocketNotifier::activated, this, &QtAgentWindow::readRequests);
    }
}

QtAgentWindow::~QtAgentWindow() = default;

bool QtAgentWindow::addTrayIcon() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    icon_->show();
    return true;
}

void QtAgentWindow::removeTrayIcon() {
    icon_->hide();
}

bool QtAgentWindow::showBalloon(const std::string& title, const std::string& text) {
    if (!icon_->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable()) return false;
    icon_->showMessage(QString::fromUtf8(title), QString::fromUtf8(text),
                       QSystemTrayIcon::Information, kBalloonMs);
    return true;
}

void QtAgentWindow::postQuit() {
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
}

void QtAgentWindow::callAfter(uint32_t ms, std::function<void()> action) {
    QTimer::singleShot(static_cast<int>(ms), this, std::move(action));
}

void QtAgentWindow::fillMenu(QMenu& menu, const AgentMenu& items,
                             const std::function<void(int)>& chosen) {
    for (const AgentMenuItem& item : items) {
        switch (item.kind) {
            case AgentMenuItem::Kind::Separator:
                menu.addSeparator();
                break;
            case AgentMenuItem::Kind::Submenu: {
                QMenu* submenu = menu.addMenu(menuText(item.label));
                submenu->menuAction()->setCheckable(item.checked);
                submenu->menuAction()->setChecked(item.checked);
                fillMenu(*submenu, item.items, chosen);
                break;
            }
            case AgentMenuItem::Kind::Command: {
                QAction* action = menu.addAction(menuText(item.label));
                action->setCheckable(item.checked);
                action->setChecked(item.checked);
                const int command = item.command;
                QObject::connect(action, &QAction::triggered, &menu,
                                 [chosen, command] { chosen(command); });
                if (item.isDefault) menu.setDefaultAction(action);
                break;
            }
        }
    }
}

void QtAgentWindow::rebuildMenu() {
    // clear() takes the submenus' entries away but leaves the submenus, children of the
    // menu, in place; they go here, while none of them is open.
    menu_->clear();
    for (QMenu* submenu : menu_->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        delete submenu;
    fillMenu(*menu_, agent_.openMenu(), [this](int command) { agent_.onMenuCommand(command); });
}

void QtAgentWindow::readRequests() {
    for (uint8_t request : instance_.takeRequests())
        agent_.onRequest(request);
}

}  // namespace qmt
