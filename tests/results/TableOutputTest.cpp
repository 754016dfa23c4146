#include "DesignOptionsWindow.h"
#include "FlowTestSupport.h"
#include "PdfText.h"

#include <QAction>
#include <QLineEdit>
#include <QTextDocument>
#include <QtTest>

using namespace kelsim;
using namespace kelsim::testing;

class TableOutputTest : public QObject {
    Q_OBJECT
private slots:
    void copyTableGivesTheColumnAlignedReportByteForByte();
    void renamingIsEditedInPlaceUndoableAndNeverEmpty();
    void copySelectedRowsIsTabSeparatedWithTheCurrentRowWhenNoneIsSelected();
    void printedTableHoldsTheReportLinesInOrder();
    void printerFailuresAndCancelledDialogs();
    void clipboardProblemOffersRetryAndCancel();
    void explanationCopiesAndPrintouts();
};

void TableOutputTest::copyTableGivesTheColumnAlignedReportByteForByte()
{
    HeatRoad road;
    QVERIFY(road.table()->isVisible());
    road.clipboard.contents = "earlier";
    road.trigger("Copyitem");
    QCOMPARE(road.clipboard.contents, kHeatReport);
    // One line end throughout, so that every editor keeps the lines apart.
    QCOMPARE(road.clipboard.contents.count('\n'), road.clipboard.contents.count("\r\n"));
    QCOMPARE(road.clipboard.contents.count('\r'), road.clipboard.contents.count("\r\n"));
    QVERIFY(road.messages.shown.empty());
}

void TableOutputTest::renamingIsEditedInPlaceUndoableAndNeverEmpty()
{
    HeatRoad road;
    road.trigger("RenameItem");
    QVERIFY(road.table()->renaming());
    QTableWidget *grid = road.table()->grid();
    auto rename = [&](int row, const QString &typed, Qt::Key end, bool byKeyboard = false) {
        if (byKeyboard) {
            grid->setCurrentCell(row, 0);
            QTest::keyClick(grid, Qt::Key_F2);
        } else {
            emit grid->cellClicked(row, 0);
        }
        QLineEdit *editor = nullptr; // the open one: a closed editor lingers until it is deleted
        for (QLineEdit *open : grid->findChildren<QLineEdit *>("SourceNameEditor"))
            editor = open->isVisible() ? open : editor;
        QVERIFY(editor);
        editor->clear();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, end);
        QCoreApplication::processEvents(); // the editor commits on the next turn of the event loop
    };
    rename(1, "Temperature (heat)", Qt::Key_Return);
    QCOMPARE(road.problem.table.rows[1].displayName(), std::string("Temperature (heat)"));
    QCOMPARE(grid->item(1, 0)->text(), QString("Temperature (heat)"));
    // The whole name is shown: the column is as wide as it.
    QVERIFY(grid->columnWidth(0) >= grid->fontMetrics().horizontalAdvance("Temperature (heat)"));
    // Escape keeps the name; an emptied name goes back to the table's own.
    rename(1, "Lost", Qt::Key_Escape);
    QCOMPARE(road.problem.table.rows[1].displayName(), std::string("Temperature (heat)"));
    rename(1, "", Qt::Key_Return);
    QCOMPARE(road.problem.table.rows[1].displayName(), std::string("T"));
    rename(0, "Group", Qt::Key_Return, true);
    road.trigger("finishedrenamingitem");
    road.trigger("Copyitem");
    QString expected = kHeatReport;
    expected.replace(" G        1             12", " Group    1             12");
    QCOMPARE(road.clipboard.contents, expected);
}

void TableOutputTest::copySelectedRowsIsTabSeparatedWithTheCurrentRowWhenNoneIsSelected()
{
    HeatRoad road;
    QTableWidget *grid = road.table()->grid();
    grid->setCurrentCell(3, 0);
    grid->clearSelection();
    road.trigger("copyrowsitem");
    QCOMPARE(road.clipboard.contents, QString("  Within\t 20\t240\t.250\t\t\t\r\n\r\n"));

    grid->setCurrentCell(0, 0);
    grid->selectRow(0);
    grid->setCurrentCell(1, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    road.trigger("copyrowsitem");
    QCOMPARE(road.clipboard.contents, QString("G\t 1\t12\t1.000\t4.00\t<.001\t\r\n"
                                              "T\t 1\t12\t.083\t.33\t 1. \t\r\n"
                                              "\r\n"));

    // Selected from the bottom up, the rows still come in table order.
    grid->clearSelection();
    grid->setCurrentCell(2, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->setCurrentCell(1, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    road.trigger("copyrowsitem");
    QCOMPARE(road.clipboard.contents, QString("T\t 1\t12\t.083\t.33\t 1. \t\r\n"
                                              "GxT\t 1\t12\t0.000\t0.00\t\t\r\n"
                                              "\r\n"));
}

void TableOutputTest::printedTableHoldsTheReportLinesInOrder()
{
    HeatRoad road;
    road.trigger("Printitem");
    QCOMPARE(road.printer.dialogTitles, QStringList({"Print Kelsim Table"}));
    QCOMPARE(road.printer.printedFiles.size(), 1);
    const QString text = pdfText(road.printer.printedFiles.front());
    QVERIFY2(!text.isNull(), "pdftotext could not read the printout");
    QStringList printed;
    for (const std::string &line : printLines(road.problem.design, road.problem.table))
        printed << QString::fromStdString(line);
    QCOMPARE(simplifiedLines(text), simplifiedLines(printed.join('\n')));
    // On paper the heads stand over their columns.
    QVERIFY(printed.contains(" Source       df    Pairs       NP    N-ratio        p       99% interval"));
    QVERIFY(printed.contains(" G             1       12    1.000       4.00    <.001     [.0000, .0015]"));
    QVERIFY(road.messages.shown.empty());

    road.trigger("printsetup");
    QCOMPARE(road.printer.setupTitles, QStringList({"Printer Setup"}));
}

void TableOutputTest::printerFailuresAndCancelledDialogs()
{
    HeatRoad road;
    road.printer.dialogAnswers = {false};
    road.trigger("Printitem");
    QVERIFY(road.printer.printedFiles.empty());
    QVERIFY(road.messages.shown.empty());

    road.printer.failWith = PrintError::NotReady;
    road.trigger("Printitem");
    QCOMPARE(road.messages.last().title, QString("Printer problem!"));
    QCOMPARE(road.messages.last().text,
             QString("The printer is not ready, or jammed, or out of paper.  Please correct the condition and retry."));
    QCOMPARE(road.messages.last().icon, MessageIcon::Exclamation);
    QCOMPARE(road.messages.last().buttons, MessageButtons::Ok);

    road.printer.failWith = PrintError::Unavailable;
    road.trigger("Printitem");
    QCOMPARE(road.messages.last().title, QString("Printer Problem!"));
    QCOMPARE(road.messages.last().text,
             QString("The printer is unavailable or not ready.  Please correct the condition and retry."));
    QCOMPARE(road.messages.shown.size(), size_t(2));
}

void TableOutputTest::clipboardProblemOffersRetryAndCancel()
{
    HeatRoad road;
    road.clipboard.writeFailures = 1;
    road.messages.answers = {MessageAnswer::Retry};
    road.trigger("Copyitem");
    QCOMPARE(road.messages.shown.size(), size_t(1));
    QCOMPARE(road.messages.last().title, QString("Clipboard Problem!"));
    QCOMPARE(road.messages.last().text, QString("The clipboard is currently being used by another application.Please "
                                                "close the other application and retry."));
    QCOMPARE(road.messages.last().buttons, MessageButtons::RetryCancel);
    QCOMPARE(road.clipboard.contents, kHeatReport);

    road.clipboard.contents = "kept";
    road.clipboard.writeFailures = 3;
    road.messages.answers = {MessageAnswer::Retry, MessageAnswer::Cancel};
    road.trigger("copyrowsitem");
    QCOMPARE(road.messages.shown.size(), size_t(3));
    QCOMPARE(road.clipboard.contents, QString("kept"));
}

void TableOutputTest::explanationCopiesAndPrintouts()
{
    Road road(makeProblem({{"A", 2}, {"B", 2}, {"C", 2}}, 2, 15));
    road.spec()->findChild<QPushButton *>("Explanation")->click();
    DesignOptionsWindow *options = road.flow.optionsWindow();
    options->findChild<QAction *>("CopyItem")->trigger();
    QCOMPARE(road.clipboard.contents, DesignOptionsWindow::clipboardText());
    QVERIFY(road.clipboard.contents.endsWith("factor's name.    If you specify neither independent groups"
                                             " nor repeated-measures, the program will not compute F-ratios.  This is "
                                             "an appropriate choice for a design in which you will manually pool "
                                             "certain sources.\r   The design involves nesting if each level of a "
                                             "factor is paired with only one level of another factor.  Additional "
                                             "information is available."));
    options->findChild<QAction *>("PrintItem")->trigger();

    options->findChild<QPushButton *>("NestingButton")->click();
    NestingExplanationWindow *nesting = road.flow.nestingExplanationWindow();
    nesting->findChild<QAction *>("CopyItem")->trigger();
    QCOMPARE(road.clipboard.contents, QString(15, ' ') + "Nesting Explanation\r\n\r\n" +
                                          NestingExplanationWindow::firstParagraph() + "\r\n" +
                                          NestingExplanationWindow::secondParagraph());
    nesting->findChild<QAction *>("PrintItem")->trigger();

    QCOMPARE(road.printer.dialogTitles, QStringList({"Print Explanation", "Print Nesting Explanation"}));
    QCOMPARE(road.printer.printedFiles.size(), 2);
    const QString design = pdfText(road.printer.printedFiles[0]).simplified();
    QVERIFY(design.startsWith("Design Explanation The independent groups design is used"));
    QVERIFY(design.contains("the within-cells term."));
    QVERIFY(design.endsWith("Additional information is available."));
    const QString nestingText = pdfText(road.printer.printedFiles[1]).simplified();
    QVERIFY(nestingText.startsWith("Nesting Explanation The term \"nesting\" refers"));
    QVERIFY(nestingText.endsWith("will automatically determine the implicit nests."));
    QVERIFY(road.messages.shown.empty());
}

QTEST_MAIN(TableOutputTest)
#include "TableOutputTest.moc"
