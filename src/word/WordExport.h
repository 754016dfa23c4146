#pragma once

#include "FileDialogService.h"
#include "MessageService.h"
#include "WordDocumentWriter.h"
#include "WordSession.h"

#include <functional>

class QWidget;

namespace kelsim {

// The four Word commands: asking for the document, checking it, writing the scores or the
// N-table into it and answering every failure with the user's message. The calling window is
// disabled, with the hourglass pointer, while the document is written.
class WordExport {
  public:
    enum class Outcome {
        Written,   // the document holds the new content
        Cancelled, // the user ended the command in a dialog or question
        Refused,   // the chosen document cannot take the content (locked, older format, damaged)
        Failed,    // a file error the user did not retry
    };

    WordExport(MessageService &messages, FileDialogService &dialogs, WordSession &session);

    // The Data Entry Grid's "Print Data to &New Winword ..." and "Append Data to &Existing ...".
    Outcome printDataToNewDocument(const DataDocument &data, QWidget *window = nullptr);
    Outcome appendDataToExistingDocument(const DataDocument &data, QWidget *window = nullptr);
    // The result window's "Print Table to &New Winword ..." and "Append Table to &Existing ...".
    Outcome printTableToNewDocument(const TableDocument &table, QWidget *window = nullptr);
    Outcome appendTableToExistingDocument(const TableDocument &table, QWidget *window = nullptr);

    // The page of new documents (by default from the user's locale).
    void setNewDocumentPage(const PageSetup &page) { newDocumentPage_ = page; }

    // Where finished documents go to disk; tests stand in a disk that fails.
    using Saver = std::function<DocumentFailure(const QString &path, const QByteArray &bytes)>;
    void setSaver(Saver saver) { saver_ = std::move(saver); }

    static const QString kFilter;
    static const QString kDefaultSuffix;

  private:
    Outcome exportToNewDocument(const ExportContent &content, QWidget *window);
    Outcome exportToExistingDocument(const ExportContent &content, QWidget *window);
    Outcome save(const QString &path, const QByteArray &bytes, QWidget *window);
    // Shows the message for a file failure; true when the user chose Retry.
    bool answerFailure(const DocumentFailure &failure, const QString &path, bool opening, QWidget *window);
    void showLocked(const QString &path, QWidget *window);

    MessageService &messages_;
    FileDialogService &dialogs_;
    WordSession &session_;
    PageSetup newDocumentPage_;
    Saver saver_;
};

// A typed name whose file name has no "." gets the ".docx" extension.
QString withDocumentSuffix(const QString &path);

} // namespace kelsim
