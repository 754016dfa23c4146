#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace kelsim::testing {

// The text of a PDF file as pdftotext (poppler-utils) lays it out; a null string when it failed.
inline QString pdfText(const QString &path)
{
    QProcess process;
    process.start("pdftotext", {"-layout", "-enc", "UTF-8", path, "-"});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The non-empty lines of a text with their runs of blanks made single, for comparing printed
// lines with the lines they were made from.
inline QStringList simplifiedLines(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(QRegularExpression("\r\n|\n\r|\n|\r|\f"))) {
        const QString simple = line.simplified();
        if (!simple.isEmpty())
            lines << simple;
    }
    return lines;
}

// The fonts a PDF file uses, as pdffonts lists them.
inline QString pdfFonts(const QString &path)
{
    QProcess process;
    process.start("pdffonts", {path});
    if (!process.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace kelsim::testing
