#include "WordSession.h"

#include <QDir>
#include <QFileInfo>

namespace kelsim {

namespace {

bool versionInCaption(int wordVersion)
{
    return wordVersion == 2 || wordVersion >= 6;
}

QString versioned(const QString &start, int wordVersion)
{
    return start + QString::number(wordVersion) + QStringLiteral(".0 Document");
}

} // namespace

void WordSession::documentWritten(const QString &path)
{
    const QFileInfo info(path);
    documentPath = QDir::toNativeSeparators(info.absoluteFilePath());
    documentDir = QDir::toNativeSeparators(info.absolutePath());
    if (!documentDir.endsWith(QDir::separator()))
        documentDir += QDir::separator();
}

QString printDataToNewCaption(int wordVersion)
{
    return versionInCaption(wordVersion) ? versioned(QStringLiteral("Print Data to &New Winword "), wordVersion)
                                         : QStringLiteral("Print Data to &New Winword Document");
}

QString appendDataToExistingCaption(int wordVersion)
{
    return versionInCaption(wordVersion) ? versioned(QStringLiteral("Append Data to &Existing Winword "), wordVersion)
                                         : QStringLiteral("Print Data to &Existing Winword Document");
}

QString printTableToNewCaption(int wordVersion)
{
    return versioned(QStringLiteral("Print Table to &New Winword "), wordVersion);
}

QString appendTableToExistingCaption(int wordVersion)
{
    return versioned(QStringLiteral("Append Table to &Existing Winword "), wordVersion);
}

bool wordItemsVisible(int wordVersion)
{
    return wordVersion != 0;
}

} // namespace kelsim
