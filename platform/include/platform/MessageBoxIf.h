#pragma once
// Message boxes, the way every program shows a failure or asks a question: a caption, a
// text, an icon and a set of buttons; the call returns the button the user chose. The
// programs' logic talks to this interface only, so the logic runs without a toolkit and tests
// answer with a scripted fake (platform/sim/ScriptedMessageBox.h). The Qt programs use
// QtMessageBox (platform/qt/), which every program's view links.

#include <cstdint>
#include <string>

namespace qmt {

enum class MessageBoxIcon : uint8_t { None, Information, Warning, Error, Question };

enum class MessageBoxButtons : uint8_t { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };

enum class MessageBoxAnswer : uint8_t { Ok, Cancel, Yes, No, Retry };

class MessageBoxIf {
  public:
    virtual ~MessageBoxIf() = default;

    // Shows the box modally and returns the answer. Closing the box without a button
    // (Escape, the window's close button) answers Cancel where there is a Cancel button, No
    // for Yes/No, and Ok for a box with only OK.
    virtual MessageBoxAnswer show(const std::string& caption, const std::string& text,
                                  MessageBoxIcon icon,
                                  MessageBoxButtons buttons = MessageBoxButtons::Ok) = 0;
};

// The answer a box gives when it is closed without choosing a button (see show()).
constexpr MessageBoxAnswer ClosedAnswerOf(MessageBoxButtons buttons) {
    switch (buttons) {
        case MessageBoxButtons::Ok:
            return MessageBoxAnswer::Ok;
        case MessageBoxButtons::YesNo:
            return MessageBoxAnswer::No;
        case MessageBoxButtons::OkCancel:
        case MessageBoxButtons::YesNoCancel:
        case MessageBoxButtons::RetryCancel:
            break;
    }
    return MessageBoxAnswer::Cancel;
}

}  // namespace qmt
