#include "MessageService.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace kelsim {

MessageAnswer DesktopMessageService::show(const Message &message, QWidget *parent)
{
    QMessageBox box(parent ? parent : QApplication::activeWindow());
    box.setWindowTitle(message.title);
    box.setText(message.text);
    switch (message.icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    QMessageBox::StandardButtons buttons;
    switch (message.buttons) {
    case MessageButtons::Ok:
        buttons = QMessageBox::Ok;
        break;
    case MessageButtons::OkCancel:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MessageButtons::YesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    case MessageButtons::YesNoCancel:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case MessageButtons::RetryCancel:
        buttons = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    case MessageButtons::AbortRetryIgnore:
        buttons = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        break;
    }
    box.setStandardButtons(buttons);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Retry:
        return MessageAnswer::Retry;
    case QMessageBox::Abort:
        return MessageAnswer::Abort;
    case QMessageBox::Ignore:
        return MessageAnswer::Ignore;
    default:
        return MessageAnswer::Cancel;
    }
}

QString DesktopMessageService::askText(const QString &prompt, const QString &title, const QString &initial,
                                       bool *accepted, QWidget *parent)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent ? parent : QApplication::activeWindow(), title, prompt,
                                               QLineEdit::Normal, initial, &ok);
    if (accepted)
        *accepted = ok;
    return ok ? text : QString();
}

void DesktopMessageService::beep()
{
    QApplication::beep();
}

} // namespace kelsim
