#pragma once

#include "MessageService.h"

#include <deque>
#include <vector>

namespace kelsim {

// For tests: records every message and answers from a script (the first button's answer when
// the script runs dry).
class ScriptedMessageService : public MessageService {
  public:
    using MessageService::show;
    MessageAnswer show(const Message &message, QWidget *parent = nullptr) override;
    QString askText(const QString &prompt, const QString &title, const QString &initial, bool *accepted,
                    QWidget *parent = nullptr) override;
    void beep() override { ++beeps; }

    std::deque<MessageAnswer> answers;
    std::deque<QString> textAnswers; // a null QString answers Cancel
    std::vector<Message> shown;
    std::vector<Message> asked; // text prompts (text = prompt, title)
    int beeps = 0;

    const Message &last() const { return shown.back(); }
    void clear()
    {
        shown.clear();
        asked.clear();
        beeps = 0;
    }
};

// The answer a message box gives when the script has none: its first button's.
MessageAnswer defaultAnswer(MessageButtons buttons);

} // namespace kelsim
