#include "WordExport.h"

#include "DocumentLock.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

namespace kelsim {

const QString WordExport::kFilter = QStringLiteral("Word Document (*.docx)");
const QString WordExport::kDefaultSuffix = QStringLiteral("docx");

namespace {

// The calling window is disabled and the pointer is the hourglass while a document is written;
// both come back on every path out.
class BusyWindow {
  public:
    explicit BusyWindow(QWidget *window) : window_(window)
    {
        if (window_) {
            wasEnabled_ = window_->isEnabled();
            window_->setEnabled(false);
        }
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            cursorSet_ = true;
        }
    }
    ~BusyWindow()
    {
        if (cursorSet_)
            QGuiApplication::restoreOverrideCursor();
        if (window_ && wasEnabled_)
            window_->setEnabled(true);
    }
    BusyWindow(const BusyWindow &) = delete;
    BusyWindow &operator=(const BusyWindow &) = delete;

  private:
    QPointer<QWidget> window_;
    bool wasEnabled_ = false;
    bool cursorSet_ = false;
};

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString folderOf(const QString &path)
{
    QString folder = shown(QFileInfo(path).absolutePath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

} // namespace

QString withDocumentSuffix(const QString &path)
{
    // Only the file's own name counts: a "." in a folder name is no extension.
    if (path.isEmpty() || QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    return path + QStringLiteral(".docx");
}

WordExport::WordExport(MessageService &messages, FileDialogService &dialogs, WordSession &session)
    : messages_(messages), dialogs_(dialogs), session_(session), newDocumentPage_(defaultPageSetup()),
      saver_(saveDocumentBytes)
{
}

WordExport::Outcome WordExport::printDataToNewDocument(const DataDocument &data, QWidget *window)
{
    return exportToNewDocument(data, window);
}

WordExport::Outcome WordExport::appendDataToExistingDocument(const DataDocument &data, QWidget *window)
{
    return exportToExistingDocument(data, window);
}

WordExport::Outcome WordExport::printTableToNewDocument(const TableDocument &table, QWidget *window)
{
    return exportToNewDocument(table, window);
}

WordExport::Outcome WordExport::appendTableToExistingDocument(const TableDocument &table, QWidget *window)
{
    return exportToExistingDocument(table, window);
}

void WordExport::showLocked(const QString &path, QWidget *window)
{
    messages_.show(shown(path) + QStringLiteral(" is currently open and locked by another process.") +
                       QStringLiteral("\nPlease either unlock ") + shown(path) +
                       QStringLiteral(" or select another document."),
                   QStringLiteral("File Locked!"), MessageIcon::Critical, MessageButtons::Ok, window);
}

bool WordExport::answerFailure(const DocumentFailure &failure, const QString &path, bool opening, QWidget *window)
{
    const auto retryOrCancel = [&](const QString &text, const QString &title) {
        return messages_.show(text, title, MessageIcon::Critical, MessageButtons::RetryCancel, window) ==
               MessageAnswer::Retry;
    };
    switch (failure.kind) {
    case DocumentFailure::DiskFull:
        return retryOrCancel(
            QStringLiteral("The disk called for does not have sufficient room for the file.  If you can rectify the "
                           "situation (for example, by inserting a new formatted diskette), then Retry after "
                           "rectification.  Otherwise Cancel to forego saving."),
            QStringLiteral("Disk Full!"));
    case DocumentFailure::PermissionDenied:
        return retryOrCancel(QStringLiteral("The disk called is write-protected.  Retry after rectification.  "
                                            "Otherwise Cancel to forego saving."),
                             QStringLiteral("Disk Not Ready!"));
    case DocumentFailure::DeviceNotReady:
        return retryOrCancel(
            QStringLiteral("The disk called for cannot be accessed.  If you can rectify the situation (for example, "
                           "by inserting a correctly formatted diskette), then Retry after rectification.  Otherwise "
                           "Cancel to forego saving."),
            QStringLiteral("Disk Not Ready!"));
    case DocumentFailure::NotFound:
        if (opening) {
            messages_.show(QStringLiteral("The file you are trying to open does not exist (check its extension?)"),
                           QStringLiteral("File Not Found!"), MessageIcon::Critical, MessageButtons::Ok, window);
            return false;
        }
        break;
    default:
        break;
    }
    messages_.show(QStringLiteral("Could not save to ") + shown(path) + QStringLiteral(".  Please check whether ") +
                       folderOf(path) + QStringLiteral(" is a valid path name.") + QStringLiteral("\r\n") +
                       QStringLiteral("Error ") + failure.description,
                   QStringLiteral("Program Error"), MessageIcon::Critical, MessageButtons::Ok, window);
    return false;
}

WordExport::Outcome WordExport::save(const QString &path, const QByteArray &bytes, QWidget *window)
{
    for (;;) {
        DocumentFailure failure;
        {
            BusyWindow busy(window);
            failure = saver_(path, bytes);
        }
        if (!failure.failed()) {
            session_.documentWritten(path);
            return Outcome::Written;
        }
        if (!answerFailure(failure, path, false, window))
            return Outcome::Failed;
    }
}

WordExport::Outcome WordExport::exportToNewDocument(const ExportContent &content, QWidget *window)
{
    QString path;
    for (;;) {
        FileDialogRequest request;
        request.title = QStringLiteral("Save As");
        request.filter = kFilter;
        request.defaultSuffix = kDefaultSuffix;
        request.directory = session_.documentDir;
        request.confirmOverwrite = false; // the question below asks, with the choice of another name
        path = withDocumentSuffix(dialogs_.saveFile(request, window));
        if (path.isEmpty())
            return Outcome::Cancelled;

        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo(folder).isDir()) {
            if (messages_.show(QStringLiteral("That path/directory does not exist.  Would you like to create it?"),
                               QStringLiteral("Cannot find directory!"), MessageIcon::Question, MessageButtons::YesNo,
                               window) != MessageAnswer::Yes)
                continue;
            for (;;) {
                const DocumentFailure failure = makeDirectory(folder);
                if (!failure.failed())
                    break;
                if (!answerFailure(failure, path, false, window))
                    return Outcome::Failed;
            }
        }

        if (QFileInfo::exists(path)) {
            const MessageAnswer answer = messages_.show(
                QStringLiteral("There is currently a file with that name.  Do you wish to overwrite the file?") +
                    QStringLiteral("\nA 'No' response will allow you to enter another name for a new file, while "
                                   "'Cancel' will allow you to return to the menu to add to an existing file."),
                QStringLiteral("File already exists!"), MessageIcon::Question, MessageButtons::YesNoCancel, window);
            if (answer == MessageAnswer::No)
                continue;
            if (answer != MessageAnswer::Yes)
                return Outcome::Cancelled;
            // A document open in another program is not pulled away from under it.
            if (checkDocumentLock(path).state == DocumentLockState::Locked) {
                showLocked(path, window);
                return Outcome::Refused;
            }
        }
        break;
    }

    DocumentBuild build;
    {
        BusyWindow busy(window);
        build = buildNewDocument(content, newDocumentPage_);
    }
    if (build.failure.failed()) {
        answerFailure(build.failure, path, false, window);
        return Outcome::Failed;
    }
    return save(path, build.bytes, window);
}

WordExport::Outcome WordExport::exportToExistingDocument(const ExportContent &content, QWidget *window)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Open File");
    request.filter = kFilter;
    request.defaultSuffix = kDefaultSuffix;
    request.directory = session_.documentDir;
    const QString path = withDocumentSuffix(dialogs_.openFile(request, window));
    if (path.isEmpty())
        return Outcome::Cancelled;

    for (;;) {
        if (!QFileInfo(path).isFile()) {
            answerFailure(DocumentFailure::of(DocumentFailure::NotFound), path, true, window);
            return Outcome::Failed;
        }
        if (checkDocumentLock(path).state == DocumentLockState::Locked) {
            showLocked(path, window);
            return Outcome::Refused;
        }

        QByteArray existing;
        DocumentBuild build;
        {
            BusyWindow busy(window);
            build.failure = loadDocumentBytes(path, &existing);
            if (!build.failure.failed())
                build = buildAppendedDocument(existing, content);
        }
        switch (build.failure.kind) {
        case DocumentFailure::None:
            return save(path, build.bytes, window);
        case DocumentFailure::LegacyWordDocument:
            messages_.show(shown(path) +
                               QStringLiteral(" is a Word 97-2003 document (.doc), which cannot be added to.") +
                               QStringLiteral("\nPlease save it as a Word Document (*.docx) in your word processor, "
                                              "or select another document."),
                           QStringLiteral("Older Word Document!"), MessageIcon::Critical, MessageButtons::Ok, window);
            return Outcome::Refused;
        case DocumentFailure::NotWordDocument:
            messages_.show(shown(path) + QStringLiteral(" cannot be added to: ") + build.failure.description +
                               QStringLiteral(".\nThe file has been left unchanged.  Please select a Word Document "
                                              "(*.docx)."),
                           QStringLiteral("Not a Word Document!"), MessageIcon::Critical, MessageButtons::Ok, window);
            return Outcome::Refused;
        default:
            if (!answerFailure(build.failure, path, true, window))
                return Outcome::Failed;
        }
    }
}

} // namespace kelsim
