#pragma once

#include "Message.h"

#include <QString>

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

} // namespace kelsim
