#include "WordPackage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QUrl>
#include <QXmlStreamReader>

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kelsim {

namespace {

const QString kRelationshipsNs = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kContentTypesNs = QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types");

// Word documents, macro-enabled documents and the two kinds of template all have a main part
// that takes text the same way.
bool isWordMainContentType(const QString &type)
{
    static const QStringList kTypes = {
        QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"),
        QStringLiteral("application/vnd.ms-word.document.macroEnabled.main+xml"),
        QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml"),
        QStringLiteral("application/vnd.ms-word.template.macroEnabledTemplate.main+xml"),
    };
    return kTypes.contains(type.trimmed(), Qt::CaseInsensitive);
}

QString zipErrorText(zip_error_t *error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

// The target of the package's office-document relationship, as a zip entry name.
QString mainPartFromRelationships(const QByteArray &rels)
{
    QXmlStreamReader xml(rels);
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("Relationships") && xml.namespaceUri() == kRelationshipsNs) {
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("Relationship")) {
                    const QXmlStreamAttributes attributes = xml.attributes();
                    const QString type = attributes.value(QLatin1String("Type")).toString();
                    const bool external =
                        attributes.value(QLatin1String("TargetMode")).compare(QLatin1String("External")) == 0;
                    if (!external && type.endsWith(QLatin1String("/officeDocument"))) {
                        QString target =
                            QUrl::fromPercentEncoding(attributes.value(QLatin1String("Target")).toString().toUtf8());
                        while (target.startsWith(QLatin1Char('/')))
                            target.remove(0, 1);
                        return target;
                    }
                }
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    return QString();
}

QString contentTypeOf(const QByteArray &contentTypes, const QString &partName)
{
    const QString wanted = QLatin1Char('/') + partName;
    const QString extension = QFileInfo(partName).suffix();
    QString byDefault;
    QXmlStreamReader xml(contentTypes);
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("Types") && xml.namespaceUri() == kContentTypesNs) {
            while (xml.readNextStartElement()) {
                const QXmlStreamAttributes attributes = xml.attributes();
                if (xml.name() == QLatin1String("Override") &&
                    attributes.value(QLatin1String("PartName")).compare(wanted, Qt::CaseInsensitive) == 0)
                    return attributes.value(QLatin1String("ContentType")).toString();
                if (xml.name() == QLatin1String("Default") &&
                    attributes.value(QLatin1String("Extension")).compare(extension, Qt::CaseInsensitive) == 0)
                    byDefault = attributes.value(QLatin1String("ContentType")).toString();
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    return byDefault;
}

QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

PageSetup letterPage()
{
    return PageSetup{};
}

PageSetup a4Page()
{
    PageSetup page;
    page.widthTwips = 11906;
    page.heightTwips = 16838;
    return page;
}

PageSetup defaultPageSetup()
{
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? letterPage() : a4Page();
}

ZipBuffer::~ZipBuffer()
{
    discard();
}

void ZipBuffer::discard()
{
    if (archive_)
        zip_discard(archive_);
    archive_ = nullptr;
    if (source_)
        zip_source_free(source_);
    source_ = nullptr;
    pending_.clear();
}

bool ZipBuffer::create(QString *error)
{
    discard();
    return openSource(nullptr, 0, ZIP_CREATE | ZIP_TRUNCATE, error);
}

bool ZipBuffer::open(const QByteArray &bytes, QString *error)
{
    discard();
    original_ = bytes;
    return openSource(original_.constData(), static_cast<quint64>(original_.size()), ZIP_CHECKCONS, error);
}

bool ZipBuffer::openSource(const void *data, quint64 size, int flags, QString *error)
{
    zip_error_t zipError;
    zip_error_init(&zipError);
    source_ = zip_source_buffer_create(data, size, 0, &zipError);
    if (source_)
        archive_ = zip_open_from_source(source_, flags, &zipError);
    if (!archive_) {
        if (error)
            *error = zipErrorText(&zipError);
        zip_error_fini(&zipError);
        discard();
        return false;
    }
    zip_source_keep(source_);
    zip_error_fini(&zipError);
    return true;
}

qint64 ZipBuffer::locate(const QString &name) const
{
    if (!archive_)
        return -1;
    return zip_name_locate(archive_, name.toUtf8().constData(), ZIP_FL_NOCASE);
}

qint64 ZipBuffer::entryCount() const
{
    return archive_ ? zip_get_num_entries(archive_, 0) : 0;
}

QString ZipBuffer::entryName(qint64 index) const
{
    const char *name = archive_ ? zip_get_name(archive_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS) : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

bool ZipBuffer::read(qint64 index, QByteArray *data, QString *error) const
{
    zip_file_t *file = archive_ ? zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0) : nullptr;
    if (!file) {
        if (error)
            *error = archive_ ? QString::fromLocal8Bit(zip_strerror(archive_)) : QString();
        return false;
    }
    QByteArray out;
    char chunk[65536];
    for (;;) {
        const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
        if (n < 0) {
            if (error)
                *error = QString::fromLocal8Bit(zip_file_strerror(file));
            zip_fclose(file);
            return false;
        }
        if (n == 0)
            break;
        out.append(chunk, static_cast<qsizetype>(n));
    }
    if (zip_fclose(file) != 0) {
        if (error)
            *error = QStringLiteral("the archive entry could not be read");
        return false;
    }
    if (data)
        *data = out;
    return true;
}

bool ZipBuffer::put(const QString &name, const QByteArray &data, QString *error)
{
    if (!archive_)
        return false;
    pending_.push_back(data);
    const QByteArray &kept = pending_.back();
    zip_source_t *source = zip_source_buffer(archive_, kept.constData(), static_cast<zip_uint64_t>(kept.size()), 0);
    if (!source) {
        if (error)
            *error = QString::fromLocal8Bit(zip_strerror(archive_));
        return false;
    }
    zip_int64_t index = locate(name);
    if (index >= 0) {
        if (zip_file_replace(archive_, static_cast<zip_uint64_t>(index), source, 0) < 0)
            index = -1;
    } else {
        index = zip_file_add(archive_, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    }
    if (index < 0) {
        if (error)
            *error = QString::fromLocal8Bit(zip_strerror(archive_));
        zip_source_free(source);
        return false;
    }
    zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0);
    return true;
}

bool ZipBuffer::finish(QByteArray *bytes, QString *error)
{
    if (!archive_)
        return false;
    if (zip_close(archive_) < 0) {
        if (error)
            *error = QString::fromLocal8Bit(zip_strerror(archive_));
        discard();
        return false;
    }
    archive_ = nullptr;
    pending_.clear();

    QByteArray out;
    bool ok = zip_source_open(source_) == 0;
    if (ok) {
        char chunk[65536];
        for (;;) {
            const zip_int64_t n = zip_source_read(source_, chunk, sizeof chunk);
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0)
                break;
            out.append(chunk, static_cast<qsizetype>(n));
        }
        zip_source_close(source_);
    }
    if (!ok && error)
        *error = zipErrorText(zip_source_error(source_));
    discard();
    if (ok && bytes)
        *bytes = out;
    return ok;
}

bool isLegacyWordFile(const QByteArray &bytes)
{
    static const QByteArray kCompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    return bytes.startsWith(kCompoundFileSignature);
}

DocumentFailure openWordPackage(const QByteArray &bytes, ZipBuffer &zip, WordPackageContent *content)
{
    if (isLegacyWordFile(bytes))
        return DocumentFailure::of(DocumentFailure::LegacyWordDocument);
    QString error;
    if (!zip.open(bytes, &error))
        return DocumentFailure::of(DocumentFailure::NotWordDocument,
                                   QStringLiteral("it is not a readable .docx package (%1)").arg(error));

    // Every entry is read once, so that damage anywhere is found before the document is changed
    // rather than carried into the new file.
    for (qint64 i = 0; i < zip.entryCount(); ++i) {
        if (!zip.read(i, nullptr, &error))
            return DocumentFailure::of(DocumentFailure::NotWordDocument,
                                       QStringLiteral("its part %1 is damaged (%2)").arg(zip.entryName(i), error));
    }

    const qint64 relsIndex = zip.locate(QStringLiteral("_rels/.rels"));
    const qint64 typesIndex = zip.locate(QStringLiteral("[Content_Types].xml"));
    if (relsIndex < 0 || typesIndex < 0)
        return DocumentFailure::of(DocumentFailure::NotWordDocument,
                                   QStringLiteral("it is a zip archive but not an Office document"));
    QByteArray rels, types;
    zip.read(relsIndex, &rels, nullptr);
    zip.read(typesIndex, &types, nullptr);
    const QString mainPart = mainPartFromRelationships(rels);
    const qint64 mainIndex = mainPart.isEmpty() ? -1 : zip.locate(mainPart);
    if (mainIndex < 0)
        return DocumentFailure::of(DocumentFailure::NotWordDocument, QStringLiteral("it has no main document part"));
    if (!isWordMainContentType(contentTypeOf(types, mainPart)))
        return DocumentFailure::of(DocumentFailure::NotWordDocument,
                                   QStringLiteral("it is an Office document but not a Word document"));
    if (content) {
        content->mainPartName = zip.entryName(mainIndex);
        zip.read(mainIndex, &content->mainPart, nullptr);
    }
    return DocumentFailure{};
}

DocumentFailure failureForErrno(int error)
{
    switch (error) {
    case 0:
        return DocumentFailure{};
    case ENOSPC:
    case EDQUOT:
        return DocumentFailure::of(DocumentFailure::DiskFull, systemMessage(error));
    case EACCES:
    case EPERM:
    case EROFS:
        return DocumentFailure::of(DocumentFailure::PermissionDenied, systemMessage(error));
    case EIO:
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
        return DocumentFailure::of(DocumentFailure::DeviceNotReady, systemMessage(error));
    case ENOENT:
    case ENOTDIR:
        return DocumentFailure::of(DocumentFailure::NotFound, systemMessage(error));
    default:
        return DocumentFailure::of(DocumentFailure::Other, systemMessage(error));
    }
}

DocumentFailure failureForFileError(QFileDevice::FileError error, const QString &description)
{
    if (error == QFileDevice::NoError)
        return DocumentFailure{};
    // Qt hands on the system's message, not its number; the message identifies the condition.
    for (int code : {ENOSPC, EDQUOT, EACCES, EPERM, EROFS, EIO, ENXIO, ENODEV, ENOMEDIUM, ENOENT, ENOTDIR}) {
        if (description == systemMessage(code)) {
            DocumentFailure failure = failureForErrno(code);
            failure.description = description;
            return failure;
        }
    }
    switch (error) {
    case QFileDevice::ResourceError:
        if (description != systemMessage(EMFILE) && description != systemMessage(ENFILE))
            return DocumentFailure::of(DocumentFailure::DiskFull, description);
        break;
    case QFileDevice::PermissionsError:
        return DocumentFailure::of(DocumentFailure::PermissionDenied, description);
    default:
        break;
    }
    return DocumentFailure::of(DocumentFailure::Other, description);
}

DocumentFailure saveDocumentBytes(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    const QByteArray directory = QFile::encodeName(info.absolutePath());
    if (::access(directory.constData(), W_OK | X_OK) != 0)
        return failureForErrno(errno);
    // A read-only document stays read-only; replacing it by rename would not ask the file itself.
    if (info.exists() && ::access(QFile::encodeName(info.absoluteFilePath()).constData(), W_OK) != 0)
        return failureForErrno(errno);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failureForFileError(file.error(), file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const DocumentFailure failure = failureForFileError(file.error(), file.errorString());
        file.cancelWriting();
        return failure;
    }
    if (!file.commit())
        return failureForFileError(file.error(), file.errorString());
    return DocumentFailure{};
}

DocumentFailure makeDirectory(const QString &path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString current;
    for (const QString &part : absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        current += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(current).constData(), 0777) != 0 && errno != EEXIST)
            return failureForErrno(errno);
    }
    if (!QFileInfo(absolute).isDir())
        return failureForErrno(ENOTDIR);
    return DocumentFailure{};
}

DocumentFailure loadDocumentBytes(const QString &path, QByteArray *bytes)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        return failureForErrno(ENOENT);
    if (!file.open(QIODevice::ReadOnly))
        return failureForFileError(file.error(), file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failureForFileError(file.error(), file.errorString());
    if (bytes)
        *bytes = data;
    return DocumentFailure{};
}

} // namespace kelsim
