// Message boxes drawn by Qt give the programs' answers: the button pressed, or the answer
// of a box closed without one. Offscreen; the box is answered from the event loop it runs.

#include "platform/qt/QtMessageBox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace qmt {
namespace {

class QtMessageBoxTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "qmt_platform_qt_tests";
        static char* argv[] = {name, nullptr};
        static QApplication application(argc, argv);
    }

    // Shows a box and lets `answer` act on it once it is up.
    MessageBoxAnswer show(MessageBoxIcon icon, MessageBoxButtons buttons,
                          const std::function<void(QMessageBox&)>& answer) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seenCaption = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            seenButtons = box->buttons().size();
            answer(*box);
        });
        return QtMessageBox().show("Remove preset", "Do you want to remove preset 'Club'?", icon,
                                   buttons);
    }

    QString seenCaption, seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    qsizetype seenButtons = 0;
};

TEST_F(QtMessageBoxTest, ThePressedButtonIsTheAnswer) {
    EXPECT_EQ(show(MessageBoxIcon::Question, MessageBoxButtons::YesNoCancel,
                   [](QMessageBox& box) { box.button(QMessageBox::No)->click(); }),
              MessageBoxAnswer::No);
    EXPECT_EQ(seenCaption, "Remove preset");
    EXPECT_EQ(seenText, "Do you want to remove preset 'Club'?");
    EXPECT_EQ(seenIcon, QMessageBox::Question);
    EXPECT_EQ(seenButtons, 3);
    EXPECT_EQ(show(MessageBoxIcon::Warning, MessageBoxButtons::RetryCancel,
                   [](QMessageBox& box) { box.button(QMessageBox::Retry)->click(); }),
              MessageBoxAnswer::Retry);
    EXPECT_EQ(seenIcon, QMessageBox::Warning);
}

TEST_F(QtMessageBoxTest, ABoxClosedWithoutAButtonGivesItsClosedAnswer) {
    for (const MessageBoxButtons buttons :
         {MessageBoxButtons::Ok, MessageBoxButtons::OkCancel, MessageBoxButtons::YesNoCancel}) {
        EXPECT_EQ(show(MessageBoxIcon::Error, buttons, [](QMessageBox& box) { box.reject(); }),
                  ClosedAnswerOf(buttons));
        EXPECT_EQ(seenIcon, QMessageBox::Critical);
    }
}

}  // namespace
}  // namespace qmt
