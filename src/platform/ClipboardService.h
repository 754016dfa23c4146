#pragma once

#include "MessageService.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace kelsim {

// The system clipboard, plain text only. Both calls replace or read the whole content.
class ClipboardService {
  public:
    virtual ~ClipboardService() = default;
    // Replaces the clipboard's content with the text; false when the clipboard could not be written.
    virtual bool setText(const QString &text) = 0;
    // The clipboard's text (empty when it holds none); nothing when it could not be read.
    virtual std::optional<QString> text() = 0;
};

// The desktop's clipboard.
class DesktopClipboardService : public ClipboardService {
  public:
    bool setText(const QString &text) override;
    std::optional<QString> text() override;
};

// The message for a clipboard that cannot be written or read.
Message clipboardProblemMessage();

// Puts the text on the clipboard; while that fails, "Clipboard Problem!" offers Retry and Cancel.
// False when the user gave up.
bool putOnClipboard(ClipboardService &clipboard, MessageService &messages, const QString &text,
                    QWidget *parent = nullptr);

// Reads the clipboard's text, with the same Retry and Cancel; nothing when the user gave up.
std::optional<QString> readClipboard(ClipboardService &clipboard, MessageService &messages, QWidget *parent = nullptr);

} // namespace kelsim
