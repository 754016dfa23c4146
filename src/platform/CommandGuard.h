#pragma once

#include "Message.h"
#include "MessageService.h"

#include <QString>

#include <exception>
#include <utility>

class QWidget;

namespace kelsim {

// What an exception says to the user: the reason a command could not be completed.
QString exceptionReason(std::exception_ptr error);

// The message for a command that an exception ended: it names the command and the reason.
Message commandFailureMessage(const QString &command, const QString &reason);

// A menu item's or button's caption as a command's name: without its access key and dots.
QString commandName(const QString &caption);

// Runs the command of a menu item or button. No exception leaves an event handler: one that
// the command throws is shown as a message naming the command, and the program goes on with the
// problem as the command left it. False when the command failed so.
template <typename Command>
bool runGuarded(MessageService &messages, const QString &command, QWidget *parent, Command &&run)
{
    try {
        std::forward<Command>(run)();
        return true;
    } catch (...) {
        const QString reason = exceptionReason(std::current_exception());
        try {
            messages.show(commandFailureMessage(command, reason), parent);
        } catch (...) {
            // Not even the message could be shown; the program goes on all the same.
        }
        return false;
    }
}

} // namespace kelsim
