#include "ClipboardService.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kelsim {

bool DesktopClipboardService::setText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->clear();
    clipboard->setText(text);
    // The platform does not report a refused write; reading our own text back does.
    return clipboard->text() == text;
}

std::optional<QString> DesktopClipboardService::text()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return std::nullopt;
    const QMimeData *data = clipboard->mimeData();
    if (!data)
        return std::nullopt;
    return data->hasText() ? data->text() : QString();
}

Message clipboardProblemMessage()
{
    return Message{"The clipboard is currently being used by another application.Please close the other application "
                   "and retry.",
                   "Clipboard Problem!", MessageIcon::None, MessageButtons::RetryCancel};
}

bool putOnClipboard(ClipboardService &clipboard, MessageService &messages, const QString &text, QWidget *parent)
{
    while (!clipboard.setText(text)) {
        if (messages.show(clipboardProblemMessage(), parent) != MessageAnswer::Retry)
            return false;
    }
    return true;
}

std::optional<QString> readClipboard(ClipboardService &clipboard, MessageService &messages, QWidget *parent)
{
    for (;;) {
        if (std::optional<QString> text = clipboard.text())
            return text;
        if (messages.show(clipboardProblemMessage(), parent) != MessageAnswer::Retry)
            return std::nullopt;
    }
}

} // namespace kelsim
