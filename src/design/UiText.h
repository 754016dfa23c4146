#pragma once

#include "DesignCheck.h"
#include "Format.h"
#include "MessageService.h"

#include <QString>

#include <climits>
#include <cstdint>

namespace kelsim {

// A number as captions and messages show it: one leading blank when not negative (" 2").
inline QString strQ(int64_t value)
{
    return QString::fromStdString(strText(value));
}

// The whole-number value at the start of a box's text, fractions cut off: "12" is 12, "2.5" is 2,
// "" and "." are 0. Values beyond the integer range stop at its ends.
inline int integerValue(const QString &text)
{
    const double value = leadingValue(text.toStdString());
    if (value >= double(INT_MAX))
        return INT_MAX;
    if (value <= double(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

// Tells the user what the design checks found, in the message they prescribe.
inline MessageAnswer showDesignProblem(MessageService &messages, const DesignProblem &problem, QWidget *parent,
                                       MessageButtons buttons = MessageButtons::Ok)
{
    const MessageIcon icon =
        problem.icon == DesignProblem::Icon::Critical ? MessageIcon::Critical : MessageIcon::Exclamation;
    return messages.show(QString::fromStdString(problem.text), QString::fromStdString(problem.title), icon, buttons,
                         parent);
}

} // namespace kelsim
