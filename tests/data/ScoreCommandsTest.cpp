#include "ScoreCommands.h"
#include "ScriptedMessageService.h"

#include "ScriptedClipboardService.h"
#include "DataPrintout.h"
#include "PdfText.h"
#include "ScriptedPrintService.h"
#include "ProblemState.h"
#include "ScoreGridModel.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

using namespace kelsim;
using namespace kelsim::testing;

namespace {

// The grid's model for Gro (2 levels) by Tim (3 levels), holding the scores.
std::unique_ptr<ScoreGridModel> gridModel(const std::vector<QString> &scores)
{
    auto model = std::make_unique<ScoreGridModel>(QStringList{"Gro", "Tim"}, std::vector<int>{2, 3},
                                                  std::vector<QStringList>{{}, {}});
    for (int r = 0; r < model->scoreCount(); ++r)
        model->setScoreText(r, scores[static_cast<size_t>(r)]);
    return model;
}

struct Commands {
    Commands() : printer(folder.path()), commands(problem, clipboard, printer, messages) {}
    QTemporaryDir folder;
    ProblemState problem;
    ScriptedClipboardService clipboard;
    ScriptedPrintService printer;
    ScriptedMessageService messages;
    ScoreCommands commands;
};

const std::vector<QString> kScores = {"a", "b", "12", "a b", "x,1", "-3.5"};

} // namespace

class ScoreCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void copyFollowedByPasteRestoresTheScores();
    void refusedPasteChangesNothing();
    void clipboardProblemOffersRetryAndCancel();
    void dataPrintoutHasTheLabelHeadingAndOneLinePerRow();
    void printedDataHoldsItsLinesInOrderWithBoldLevels();
    void printerDialogsAndFailures();
    void unwritablePdfIsAnUnavailablePrinter();
};

void ScoreCommandsTest::copyFollowedByPasteRestoresTheScores()
{
    Commands c;
    const std::unique_ptr<ScoreGridModel> model = gridModel(kScores);
    model->setMarked(2, true);
    QVERIFY(c.commands.copyScores(model->texts()));
    QCOMPARE(c.clipboard.contents, QString("a\nb\n12\na b\nx,1\n-3.5\n"));
    for (int r = 0; r < model->scoreCount(); ++r)
        model->setScoreText(r, QString());
    const std::optional<std::vector<QString>> pasted = c.commands.pasteScores(model->texts(), 0);
    QVERIFY(pasted.has_value());
    for (int r = 0; r < model->scoreCount(); ++r)
        model->setScoreText(r, (*pasted)[static_cast<size_t>(r)]);
    QVERIFY(model->texts() == kScores);
    QVERIFY(model->isMarked(2)); // marks are neither copied nor touched
    QVERIFY(c.messages.shown.empty());
    // Pasted scores must not be lost silently on leaving the program.
    QVERIFY(c.problem.session.changedSinceSave);
}

void ScoreCommandsTest::refusedPasteChangesNothing()
{
    Commands c;
    c.clipboard.contents = "1\t2\n3\t4\n";
    QVERIFY(!c.commands.pasteScores(kScores, 0).has_value());
    QCOMPARE(c.messages.shown.size(), size_t(1));
    QCOMPARE(c.messages.last().title, QString("Error"));
    QVERIFY(c.messages.last().text.startsWith("The clipboard contains non-numerical characters."));
    QVERIFY(!c.problem.session.changedSinceSave);

    c.clipboard.contents = "7\n8\n";
    std::vector<QString> scores = {"", "", "", "", "5", ""};
    QVERIFY(!c.commands.pasteScores(scores, 3).has_value());
    QCOMPARE(c.messages.last().title, QString("Wait"));
    QVERIFY(!c.problem.session.changedSinceSave);
}

void ScoreCommandsTest::clipboardProblemOffersRetryAndCancel()
{
    Commands c;
    c.clipboard.contents = "1\n2\n";
    c.clipboard.readFailures = 1;
    c.messages.answers = {MessageAnswer::Retry};
    const std::optional<std::vector<QString>> pasted = c.commands.pasteScores(std::vector<QString>(2), 0);
    QVERIFY(pasted.has_value());
    QCOMPARE(c.messages.shown.size(), size_t(1));
    QCOMPARE(c.messages.last().title, QString("Clipboard Problem!"));

    c.clipboard.readFailures = 2;
    c.messages.answers = {MessageAnswer::Cancel};
    QVERIFY(!c.commands.pasteScores(std::vector<QString>(2), 0).has_value());
    QCOMPARE(c.messages.shown.size(), size_t(2));

    c.clipboard.writeFailures = 1;
    c.clipboard.contents = "before";
    c.messages.answers = {MessageAnswer::Cancel};
    QVERIFY(!c.commands.copyScores(kScores));
    QCOMPARE(c.clipboard.contents, QString("before"));
    QCOMPARE(c.messages.last().title, QString("Clipboard Problem!"));
}

void ScoreCommandsTest::dataPrintoutHasTheLabelHeadingAndOneLinePerRow()
{
    const std::unique_ptr<ScoreGridModel> model = gridModel(kScores);
    const std::vector<DataPrintLine> lines = dataPrintLines(*model, 2);
    QCOMPARE(lines.size(), size_t(6));
    QCOMPARE(dataPrintText(lines[3]), QString("Gro2 Tim2   a b"));
    const std::unique_ptr<QTextDocument> document = buildDataPrintout("Taste", lines);
    QCOMPARE(document->toPlainText(), QString("   Taste\n\n   Raw Data\n\n"
                                              "Gro1 Tim1   a\n"
                                              "Gro2 Tim1   b\n"
                                              "Gro1 Tim2   12\n"
                                              "Gro2 Tim2   a b\n"
                                              "Gro1 Tim3   x,1\n"
                                              "Gro2 Tim3   -3.5"));
    // The level cells, and only they, are bold.
    const QTextBlock row = document->findBlockByNumber(7);
    QString bold, plain;
    for (QTextBlock::iterator it = row.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        (fragment.charFormat().fontWeight() == QFont::Bold ? bold : plain) += fragment.text() + "|";
    }
    QCOMPARE(bold, QString("2|2|"));
    QCOMPARE(plain, QString("Gro| Tim|   a b|"));
}

void ScoreCommandsTest::printedDataHoldsItsLinesInOrderWithBoldLevels()
{
    Commands c;
    c.problem.design.problemLabel = "Taste";
    const std::unique_ptr<ScoreGridModel> model = gridModel(kScores);
    QVERIFY(c.commands.printData(dataPrintLines(*model, 2)));
    QCOMPARE(c.printer.dialogTitles, QStringList({"Print Data"}));
    QCOMPARE(c.printer.printedFiles.size(), 1);
    const QString text = pdfText(c.printer.printedFiles.front());
    QVERIFY2(!text.isNull(), "pdftotext could not read the printout");
    QCOMPARE(simplifiedLines(text), QStringList({"Taste", "Raw Data", "Gro1 Tim1 a", "Gro2 Tim1 b", "Gro1 Tim2 12",
                                                 "Gro2 Tim2 a b", "Gro1 Tim3 x,1", "Gro2 Tim3 -3.5"}));
    const QString fonts = pdfFonts(c.printer.printedFiles.front());
    QVERIFY2(fonts.contains("Bold"), qPrintable(fonts));
    QVERIFY(c.messages.shown.empty());
}

void ScoreCommandsTest::printerDialogsAndFailures()
{
    Commands c;
    c.commands.printerSetup();
    QCOMPARE(c.printer.setupTitles, QStringList({"Printer Setup"}));

    const std::unique_ptr<ScoreGridModel> model = gridModel(kScores);
    c.printer.dialogAnswers = {false};
    QVERIFY(!c.commands.printData(dataPrintLines(*model, 2)));
    QVERIFY(c.printer.printedFiles.empty());
    QVERIFY(c.messages.shown.empty());

    c.printer.failWith = PrintError::NotReady;
    QVERIFY(!c.commands.printData(dataPrintLines(*model, 2)));
    QCOMPARE(c.messages.last().title, QString("Printer problem!"));
    QCOMPARE(c.messages.last().icon, MessageIcon::Exclamation);
}

void ScoreCommandsTest::unwritablePdfIsAnUnavailablePrinter()
{
    QTemporaryDir folder;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath("no such folder/printout.pdf"));
    QTextDocument document("Raw Data");
    QCOMPARE(printDocument(printer, document), PrintError::Unavailable);
    QCOMPARE(printFailureMessage(PrintError::Unavailable).title, QString("Printer Problem!"));

    printer.setOutputFileName(folder.filePath("printout.pdf"));
    QCOMPARE(printDocument(printer, document), PrintError::None);
    QVERIFY(pdfText(folder.filePath("printout.pdf")).contains("Raw Data"));
}

QTEST_MAIN(ScoreCommandsTest)
#include "ScoreCommandsTest.moc"
