#include "ScriptedMessageService.h"

namespace kelsim {

MessageAnswer defaultAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
        return MessageAnswer::Retry;
    case MessageButtons::AbortRetryIgnore:
        return MessageAnswer::Abort;
    }
    return MessageAnswer::Ok;
}

MessageAnswer ScriptedMessageService::show(const Message &message, QWidget *)
{
    shown.push_back(message);
    if (answers.empty())
        return defaultAnswer(message.buttons);
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

QString ScriptedMessageService::askText(const QString &prompt, const QString &title, const QString &, bool *accepted,
                                        QWidget *)
{
    asked.push_back(Message{prompt, title, MessageIcon::None, MessageButtons::OkCancel});
    QString answer;
    if (!textAnswers.empty()) {
        answer = textAnswers.front();
        textAnswers.pop_front();
    }
    if (accepted)
        *accepted = !answer.isNull();
    return answer;
}

} // namespace kelsim
