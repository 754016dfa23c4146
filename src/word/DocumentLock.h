#pragma once

#include "WordPackage.h"

#include <QString>

namespace kelsim {

enum class DocumentLockState {
    Free,
    Locked,     // another program holds the document open
    Unwritable, // the document cannot be opened for writing at all
};

struct DocumentLockCheck {
    DocumentLockState state = DocumentLockState::Free;
    DocumentFailure failure; // why the document cannot be written, for Unwritable
};

// Whether another program holds the document open: the lock file a LibreOffice-style office
// suite keeps beside it ("~lock.NAME#", hidden as ".~lock.NAME#"), or a lock on the file itself
// (flock or a POSIX record lock). The document is opened for reading and writing and closed
// again at once; it is not changed.
DocumentLockCheck checkDocumentLock(const QString &path);

// The lock file names that mark `path` as open in an office suite.
QStringList officeLockFileNames(const QString &path);

} // namespace kelsim
