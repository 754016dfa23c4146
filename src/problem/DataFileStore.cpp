#include "DataFileStore.h"

#include "Format.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>

namespace kelsim {

namespace {

// Qt reports most file errors as text only; the system's number is recovered by matching the
// text against the system's own message for each number.
int systemErrorFromText(const QString &text)
{
    if (text.isEmpty())
        return 0;
    for (int e = 1; e < 256; ++e)
        if (qt_error_string(e) == text)
            return e;
    return 0;
}

template <typename Result> Result systemFailure(int errorNumber, const QString &errorString)
{
    Result result;
    if (errorNumber == 0)
        errorNumber = systemErrorFromText(errorString);
    result.errorNumber = errorNumber;
    result.errorString = errorString;
    result.failure = errorNumber == 0 ? FileFailure::Other : failureForSystemError(errorNumber);
    return result;
}

DataFileLoad loadFailure(FileFailure failure)
{
    DataFileLoad load;
    load.failure = failure;
    return load;
}

bool holdsControlCharacters(const QByteArray &bytes)
{
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if ((code < 32 && c != '\t' && c != '\r' && c != '\n') || code == 127)
            return true;
    }
    return false;
}

QString str(qint64 value)
{
    return QString::fromStdString(strText(static_cast<int64_t>(value)));
}

} // namespace

FileFailure failureForSystemError(int errorNumber)
{
    switch (errorNumber) {
    case 0:
        return FileFailure::None;
    case ENOENT:
    case ENOTDIR:
        return FileFailure::NotFound;
    case EISDIR:
        return FileFailure::NotAFile;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return FileFailure::PermissionDenied;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return FileFailure::DiskFull;
    case EIO:
    case ENXIO:
    case ENODEV:
    case ETIMEDOUT:
#ifdef ENOMEDIUM
    case ENOMEDIUM:
#endif
#ifdef ESTALE
    case ESTALE:
#endif
#ifdef EHOSTDOWN
    case EHOSTDOWN:
#endif
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ENOTCONN:
        return FileFailure::DeviceNotReady;
    default:
        return FileFailure::Other;
    }
}

DataFileLoad loadDataFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return systemFailure<DataFileLoad>(ENOENT, qt_error_string(ENOENT));
    if (!info.isFile())
        return loadFailure(FileFailure::NotAFile);
    if (info.size() > kLargestDataFile) {
        DataFileLoad load = loadFailure(FileFailure::TooLarge);
        load.size = info.size();
        return load;
    }

    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return systemFailure<DataFileLoad>(errno, file.errorString());
    // The file may have grown since it was measured; never read more than a data file can hold.
    errno = 0;
    QByteArray bytes = file.read(kLargestDataFile + 1);
    if (file.error() != QFileDevice::NoError)
        return systemFailure<DataFileLoad>(errno, file.errorString());
    if (bytes.size() > kLargestDataFile) {
        DataFileLoad load = loadFailure(FileFailure::TooLarge);
        load.size = qMax(info.size(), qint64(bytes.size()));
        return load;
    }

    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (holdsControlCharacters(bytes))
        return loadFailure(FileFailure::Binary);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8(bytes);
    if (utf8.hasError())
        return loadFailure(FileFailure::NotUtf8);

    DataFileContent content = parseDataFile(bytes.toStdString());
    if (content.unclosedQuoteLine > 0) {
        DataFileLoad load = loadFailure(FileFailure::UnclosedQuote);
        load.line = content.unclosedQuoteLine;
        return load;
    }
    if (content.scores.empty())
        return loadFailure(FileFailure::Empty);
    DataFileLoad load;
    load.scores = std::move(content.scores);
    for (size_t i = 0; i < load.scores.size(); ++i) {
        if (characterCount(load.scores[i].text) > kLongestScore) {
            load = loadFailure(FileFailure::ScoreTooLong);
            load.longScore = static_cast<int>(i) + 1;
            return load;
        }
    }
    return load;
}

DataFileSave saveDataFile(const QString &path, const std::vector<DataFileScore> &scores)
{
    const QFileInfo info(path);
    if (info.isDir())
        return systemFailure<DataFileSave>(EISDIR, qt_error_string(EISDIR));
    // Renaming over a read-only file would succeed; the user's protection is respected instead.
    if (info.exists() && !info.isWritable())
        return systemFailure<DataFileSave>(EACCES, qt_error_string(EACCES));

    const QByteArray bytes = QByteArray::fromStdString(formatDataFile(scores));
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return systemFailure<DataFileSave>(errno, file.errorString());
    // The buffered bytes are flushed here rather than by commit(), which would not notice a
    // failed flush and could rename a truncated file over the old one.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        const int errorNumber = errno;
        const QString errorString = file.errorString();
        file.cancelWriting();
        file.commit(); // removes the temporary file
        return systemFailure<DataFileSave>(errorNumber, errorString);
    }
    errno = 0;
    if (!file.commit())
        return systemFailure<DataFileSave>(errno, file.errorString());
    return DataFileSave();
}

QString dataFileProblemText(const QString &path, const DataFileLoad &load)
{
    switch (load.failure) {
    case FileFailure::None:
        return QString();
    case FileFailure::NotFound:
        return "The file " + path + " cannot be found.  It may have been moved, renamed or deleted.";
    case FileFailure::NotAFile:
        return path + " is a folder or a device, not a data file.";
    case FileFailure::PermissionDenied:
        return "The file " + path + " cannot be read: permission to read it is denied.";
    case FileFailure::DeviceNotReady:
        return "The disk holding " + path + " cannot be accessed.";
    case FileFailure::TooLarge:
        return "The file " + path + " is too large to be a data file:" + str(load.size) + " bytes.";
    case FileFailure::Empty:
        return "The file " + path + " is empty: it holds no scores.";
    case FileFailure::Binary:
        return "The file " + path + " is not a data file: it holds characters that no score can contain.";
    case FileFailure::NotUtf8:
        return "The file " + path +
               " is not a data file: its text is not in UTF-8 (or plain ASCII).  Save it as UTF-8 text and open it "
               "again.";
    case FileFailure::UnclosedQuote:
        return "The file " + path + " is not a data file: the double quote that opens line" + str(load.line) +
               " is never closed.";
    case FileFailure::ScoreTooLong:
        return "The file " + path + " is not a data file: score" + str(load.longScore) + " is longer than" +
               str(static_cast<qint64>(kLongestScore)) + " characters.";
    case FileFailure::DiskFull:
    case FileFailure::Other:
        break;
    }
    return "The file " + path + " cannot be read (" + load.errorString + ").";
}

} // namespace kelsim
