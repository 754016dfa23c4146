#include "ScoreCommands.h"
#include "ScriptedMessageService.h"

#include "DataPrintout.h"
#include "PdfText.h"
#include "ProblemState.h"
#include "ScoreGridModel.h"
#include "ScriptedClipboardService.h"
#include "ScriptedPrintService.h"

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
    void clipboardProblemOffersRetryAndCancel();
    void printedDataHoldsItsLinesInOrderWithBoldLevels();
    void printerDialogsAndFailures();
};

void ScoreCommandsTest::copyFollowedByPasteRestoresTheScores()
{
    Commands c;
    QVERIFY(c.commands.copyScores(kScores));
    QVERIFY(c.commands.pasteScores(std::vector<QString>(6), 0) == kScores);
    QVERIFY(c.messages.shown.empty());
    // Pasted scores must not be lost silently on leaving the program.
    QVERIFY(c.problem.session.changedSinceSave);
}

void ScoreCommandsTest::clipboardProblemOffersRetryAndCancel()
{
    Commands c;
    c.clipboard.contents = "1\n2\n";
    c.clipboard.readFailures = 1;
    c.messages.answers = {MessageAnswer::Retry};
    QVERIFY(c.commands.pasteScores(std::vector<QString>(2), 0).has_value());
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
}

void ScoreCommandsTest::printedDataHoldsItsLinesInOrderWithBoldLevels()
{
    Commands c;
    c.problem.design.problemLabel = "Taste";
    const std::unique_ptr<ScoreGridModel> model = gridModel(kScores);
    const std::vector<DataPrintLine> lines = dataPrintLines(*model, 2);
    QCOMPARE(dataPrintText(lines[3]), QString("Gro2 Tim2   a b"));
    // The level cells, and only they, are bold.
    const std::unique_ptr<QTextDocument> document = buildDataPrintout("Taste", lines);
    QString bold;
    const QTextBlock row = document->findBlockByNumber(7);
    for (QTextBlock::iterator it = row.begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().fontWeight() == QFont::Bold)
            bold += it.fragment().text() + "|";
    QCOMPARE(bold, QString("2|2|"));

    QVERIFY(c.commands.printData(lines));
    QCOMPARE(c.printer.dialogTitles, QStringList({"Print Data"}));
    const QString text = pdfText(c.printer.printedFiles.front());
    QVERIFY2(!text.isNull(), "pdftotext could not read the printout");
    QCOMPARE(simplifiedLines(text), QStringList({"Taste", "Raw Data", "Gro1 Tim1 a", "Gro2 Tim1 b", "Gro1 Tim2 12",
                                                 "Gro2 Tim2 a b", "Gro1 Tim3 x,1", "Gro2 Tim3 -3.5"}));
    QVERIFY(pdfFonts(c.printer.printedFiles.front()).contains("Bold"));
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

QTEST_MAIN(ScoreCommandsTest)
#include "ScoreCommandsTest.moc"
