#pragma once

#include "DataFileFormat.h"

#include <QString>
#include <QtGlobal>

#include <vector>

namespace kelsim {

// The largest file taken for a data file: 16352 scores of the longest kind fit many times over.
constexpr qint64 kLargestDataFile = 16 * 1024 * 1024;

// Why a data file could not be read or written.
enum class FileFailure {
    None,
    NotFound,         // the file or its folder does not exist, or vanished
    NotAFile,         // a folder or a device, not a plain file
    PermissionDenied, // no permission, a read-only file or a write-protected disk
    DeviceNotReady,   // the disk cannot be reached
    DiskFull,         // no room left on the disk, or the file-size limit reached
    TooLarge,         // larger than any data file can be
    Empty,            // holds no scores at all
    UnclosedQuote,    // a double quote opens a score that no quote closes
    Binary,           // holds control characters that no score can contain
    NotUtf8,          // not UTF-8 text
    ScoreTooLong,     // holds a score longer than kLongestScore characters
    Other,            // any other error of the system; see errorNumber
};

struct DataFileLoad {
    FileFailure failure = FileFailure::None;
    std::vector<DataFileScore> scores;
    int errorNumber = 0; // the system's error number, for failures the system reported
    QString errorString;
    qint64 size = 0;   // bytes, for TooLarge
    int longScore = 0; // 1-based number of the first score that is too long
    int line = 0;      // 1-based line where the unclosed quote opened
    bool ok() const { return failure == FileFailure::None; }
};

struct DataFileSave {
    FileFailure failure = FileFailure::None;
    int errorNumber = 0;
    QString errorString;
    bool ok() const { return failure == FileFailure::None; }
};

// Reads a data file (UTF-8, a leading byte-order mark skipped). Files that cannot be data files
// are refused with the reason, before anything is handed on.
DataFileLoad loadDataFile(const QString &path);

// Writes the scores atomically: a temporary file beside the target is written, flushed and then
// renamed over it, so a failure at any point leaves an existing file as it was. A read-only file
// is not replaced.
DataFileSave saveDataFile(const QString &path, const std::vector<DataFileScore> &scores);

// One sentence or two saying why the file at `path` could not be read (empty for success);
// shared by the command line and the windows.
QString dataFileProblemText(const QString &path, const DataFileLoad &load);

// The kind of failure a system error number stands for.
FileFailure failureForSystemError(int errorNumber);

} // namespace kelsim
