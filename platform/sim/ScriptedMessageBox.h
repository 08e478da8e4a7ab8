#pragma once
// Message boxes answered by a script, for tests: every box shown is recorded, and each is
// answered with the next scripted answer, or, when the script has run out, as if the user
// had closed it (ClosedAnswerOf).

#include <deque>
#include <string>
#include <vector>

#include "platform/MessageBoxIf.h"

namespace qmt {

class ScriptedMessageBox final : public MessageBoxIf {
  public:
    struct Shown {
        std::string caption;
        std::string text;
        MessageBoxIcon icon;
        MessageBoxButtons buttons;
    };

    void answerNext(MessageBoxAnswer answer) { answers_.push_back(answer); }

    MessageBoxAnswer show(const std::string& caption, const std::string& text, MessageBoxIcon icon,
                          MessageBoxButtons buttons) override {
        shown_.push_back(Shown{caption, text, icon, buttons});
        if (answers_.empty()) return ClosedAnswerOf(buttons);
        const MessageBoxAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    const std::vector<Shown>& shown() const { return shown_; }
    // The text of the last box shown, empty when none was.
    std::string lastText() const { return shown_.empty() ? std::string() : shown_.back().text; }

  private:
    std::deque<MessageBoxAnswer> answers_;
    std::vector<Shown> shown_;
};

}  // namespace qmt
