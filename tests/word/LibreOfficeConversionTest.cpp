#include "WordDocumentWriter.h"
#include "WordTestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::test;

namespace {

QString runTool(const QString &program, const QStringList &arguments, bool *ok)
{
    QProcess process;
    process.start(program, arguments);
    *ok = process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!*ok)
        ADD_FAILURE() << program.toStdString() << " failed: " << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

// A document the program writes must convert cleanly in LibreOffice, with the table rows (each on
// one line, its interval included), the facts line and the score lines in order on the page. Runs
// only where LibreOffice is installed.
TEST(LibreOfficeConversion, writtenDocumentConvertsToPdfWithTheRowsInOrder)
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    const QString pdfToText = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (office.isEmpty() || pdfToText.isEmpty())
        GTEST_SKIP() << "LibreOffice or pdftotext is not installed";

    int argc = 1;
    char name[] = "word_document_tests";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("report.docx"));
    // The narrowest text area of the common pages: A4 with 1.25-inch margins.
    writeAll(document, wordLikePackage(wordLikeMainPart(QStringLiteral("<w:p/>"))));
    ASSERT_FALSE(appendToDocument(document, sampleTable()).failed());
    ASSERT_FALSE(appendToDocument(document, sampleData()).failed());

    bool ok = false;
    runTool(office,
            {QStringLiteral("-env:UserInstallation=") +
                 QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
             QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
             QStringLiteral("--outdir"), dir.path(), document},
            &ok);
    ASSERT_TRUE(ok);
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(QFileInfo::exists(pdf));

    const QStringList lines =
        runTool(pdfToText, {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, &ok).split(QLatin1Char('\n'));
    ASSERT_TRUE(ok);
    const QStringList expectedInOrder{
        QStringLiteral("^Colour preference study$"),
        QStringLiteral("^  Factors$"),
        QStringLiteral("^Source +df +Pairs +NP +N-ratio +p +99% interval$"),
        QStringLiteral("^G +1 +36 +\\.250 +1\\.50 +\\.123 +\\[\\.1010, \\.1470\\]$"),
        QStringLiteral("^A +2 +48 +\\.333 +12\\.25 +<\\.001 +\\[\\.0000, \\.0015\\]$"),
        QStringLiteral("^GxA +2 +72 +\\.111 +\\.44 +1\\. +\\[\\.9989, 1\\.0000\\]$"),
        QStringLiteral("^  Within +12 +300 +\\.500$"),
        QStringLiteral("^Iterations: 5,000; seed: 11; p: Monte Carlo.*"),
        QStringLiteral("^   Raw Data$"),
        QStringLiteral("^Gender +1 +Age +1 +a$"),
        QStringLiteral("^Gender +2 +Age +3 +c$"),
    };
    int from = 0;
    for (const QString &pattern : expectedInOrder) {
        const int at = lines.indexOf(QRegularExpression(pattern), from);
        EXPECT_GE(at, from) << "not found in order: " << pattern.toStdString() << "\n"
                            << lines.join(QLatin1Char('\n')).toStdString();
        if (at >= 0)
            from = at + 1;
    }
}
