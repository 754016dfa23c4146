#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <list>

struct zip;
struct zip_source;

namespace kelsim {

// Why a document could not be read or written. The file conditions are the ones the export
// answers with its own messages; everything else carries the system's description.
struct DocumentFailure {
    enum Kind {
        None,
        NotWordDocument,    // not a .docx package, or a damaged one
        LegacyWordDocument, // the binary format of Word 97-2003
        DiskFull,
        PermissionDenied,
        DeviceNotReady,
        NotFound,
        Other,
    };
    Kind kind = None;
    QString description;

    bool failed() const { return kind != None; }
    static DocumentFailure of(Kind kind, const QString &description = QString()) { return {kind, description}; }
};

// Page size and side margins in twips (1/1440 inch), as a section's properties state them.
struct PageSetup {
    int widthTwips = 12240;
    int heightTwips = 15840;
    int leftMarginTwips = 1440;
    int rightMarginTwips = 1440;
    int topMarginTwips = 1440;
    int bottomMarginTwips = 1440;

    // The text width in inches: the page less both side margins.
    double availableInches() const { return (widthTwips - leftMarginTwips - rightMarginTwips) / 1440.0; }
};

PageSetup letterPage();
PageSetup a4Page();
// Letter where the user's locale measures in inches, A4 elsewhere; one-inch margins.
PageSetup defaultPageSetup();

// A zip archive held in memory, so that a document is built completely before anything on disk
// is touched.
class ZipBuffer {
  public:
    ZipBuffer() = default;
    ~ZipBuffer();
    ZipBuffer(const ZipBuffer &) = delete;
    ZipBuffer &operator=(const ZipBuffer &) = delete;

    bool create(QString *error);
    // Opens an existing archive with libzip's consistency checks.
    bool open(const QByteArray &bytes, QString *error);

    // The entry's index, part names compared without regard to case; -1 when absent.
    qint64 locate(const QString &name) const;
    qint64 entryCount() const;
    QString entryName(qint64 index) const;
    // Reads a whole entry; a damaged entry (bad checksum, broken compression) is an error.
    bool read(qint64 index, QByteArray *data, QString *error) const;
    // Adds an entry or replaces the one of that name.
    bool put(const QString &name, const QByteArray &data, QString *error);
    // Writes the archive and hands back its bytes; the buffer is closed afterwards.
    bool finish(QByteArray *bytes, QString *error);

  private:
    void discard();
    // Opens the archive over a buffer of `size` bytes at `data` (none for a new archive).
    bool openSource(const void *data, quint64 size, int flags, QString *error);

    zip *archive_ = nullptr;
    zip_source *source_ = nullptr;
    QByteArray original_;
    std::list<QByteArray> pending_; // entry data must outlive the archive until it is written
};

// True for the compound-file signature of the Word 97-2003 binary format.
bool isLegacyWordFile(const QByteArray &bytes);

// The main document part of a .docx package: where it lives and its XML.
struct WordPackageContent {
    QString mainPartName; // zip entry name, e.g. "word/document.xml"
    QByteArray mainPart;
};

// Opens a .docx package from its bytes, checks every entry for damage and finds the main
// document through the package relationships and content types.
DocumentFailure openWordPackage(const QByteArray &bytes, ZipBuffer &zip, WordPackageContent *content);

// Replaces `path` with `bytes` atomically: a temporary file beside it, renamed over it only when
// everything was written, so a failure leaves the old file as it was.
DocumentFailure saveDocumentBytes(const QString &path, const QByteArray &bytes);

// Makes a folder and any missing folders above it.
DocumentFailure makeDirectory(const QString &path);

// Reads a whole file.
DocumentFailure loadDocumentBytes(const QString &path, QByteArray *bytes);

// Maps a Qt file error, whose system message stands in for the error number, onto the
// conditions the export distinguishes.
DocumentFailure failureForFileError(QFileDevice::FileError error, const QString &description);
// Maps a system error number.
DocumentFailure failureForErrno(int error);

} // namespace kelsim
