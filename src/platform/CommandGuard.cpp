#include "CommandGuard.h"

#include <QCoreApplication>

#include <new>

namespace kelsim {

QString exceptionReason(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc &) {
        return QCoreApplication::translate("CommandGuard", "There is not enough memory.");
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QCoreApplication::translate("CommandGuard", "An unexpected error occurred.");
    }
}

Message commandFailureMessage(const QString &command, const QString &reason)
{
    return Message{QCoreApplication::translate("CommandGuard", "%1 could not be completed.  %2").arg(command, reason),
                   QCoreApplication::translate("CommandGuard", "Program Error!"), MessageIcon::Critical,
                   MessageButtons::Ok};
}

QString commandName(const QString &caption)
{
    QString name = caption;
    // "&&" stands for an ampersand of the caption itself.
    name.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    name.remove(QLatin1Char('&'));
    name.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    if (name.endsWith(QLatin1String("...")))
        name.chop(3);
    return name.trimmed();
}

} // namespace kelsim
