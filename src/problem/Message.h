#pragma once

#include <QString>

namespace kelsim {

enum class MessageIcon { None, Critical, Exclamation, Question, Information };

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

enum class MessageAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// A message box as the user is to see it: text, title, icon and buttons. The data layer words
// its refusals as messages; the platform's message service shows them.
struct Message {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

} // namespace kelsim
