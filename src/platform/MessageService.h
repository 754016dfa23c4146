#pragma once

#include "Message.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

class QWidget;

namespace kelsim {

// Every message box of the program goes through here, so that tests can script the answers and
// read exactly what the user would have been shown.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MessageAnswer show(const Message &message, QWidget *parent = nullptr) = 0;
    // A text box question; `accepted` is false when the user cancels.
    virtual QString askText(const QString &prompt, const QString &title, const QString &initial, bool *accepted,
                            QWidget *parent = nullptr) = 0;
    virtual void beep() = 0;

    MessageAnswer show(const QString &text, const QString &title, MessageIcon icon,
                       MessageButtons buttons = MessageButtons::Ok, QWidget *parent = nullptr)
    {
        return show(Message{text, title, icon, buttons}, parent);
    }
};

// The desktop's message boxes.
class DesktopMessageService : public MessageService {
public:
    using MessageService::show;
    MessageAnswer show(const Message &message, QWidget *parent = nullptr) override;
    QString askText(const QString &prompt, const QString &title, const QString &initial, bool *accepted,
                    QWidget *parent = nullptr) override;
    void beep() override;
};

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

MessageAnswer defaultAnswer(MessageButtons buttons);

} // namespace kelsim
