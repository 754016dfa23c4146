#include "DesignOptionsWindow.h"
#include "DistributionPlot.h"
#include "FlowTestSupport.h"
#include "PdfText.h"
#include "WordDocumentReader.h"
#include "WordDocumentWriter.h"

#include <QAction>
#include <QLabel>
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
    void explanationsAreCopiedPrintedAndLeadBack();
    void windowShowsTheSeedEachPsIntervalAndCountsAndTheDistribution();
    void exactPIsSaidToBeExactWhereverItIsShown();
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
    QCOMPARE(road.clipboard.contents, QString("  Within\t 20\t240\t.250\t\t\t\t\r\n\r\n"));

    grid->selectRow(0);
    grid->setCurrentCell(1, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    road.trigger("copyrowsitem");
    QCOMPARE(road.clipboard.contents, QString("G\t 1\t12\t1.000\t4.00\t<.001\t[.0000, .0015]\t\r\n"
                                              "T\t 1\t12\t.083\t.33\t 1. \t[.9989, 1.0000]\t\r\n"
                                              "\r\n"));

    // Selected from the bottom up, the rows still come in table order.
    grid->clearSelection();
    grid->setCurrentCell(2, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->setCurrentCell(1, 0, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    road.trigger("copyrowsitem");
    QCOMPARE(road.clipboard.contents, QString("T\t 1\t12\t.083\t.33\t 1. \t[.9989, 1.0000]\t\r\n"
                                              "GxT\t 1\t12\t0.000\t0.00\t\t\t\r\n"
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

void TableOutputTest::explanationsAreCopiedPrintedAndLeadBack()
{
    Road road(makeProblem({{"A", 2}, {"B", 2}, {"C", 2}}, 2, 15));
    road.spec()->findChild<QPushButton *>("Explanation")->click();
    DesignOptionsWindow *options = road.flow.optionsWindow();
    QVERIFY(options->isVisible() && !road.spec()->isVisible());
    options->findChild<QAction *>("CopyItem")->trigger();
    QCOMPARE(road.clipboard.contents, DesignOptionsWindow::clipboardText());
    options->findChild<QAction *>("PrintItem")->trigger();

    options->findChild<QPushButton *>("NestingButton")->click();
    NestingExplanationWindow *nesting = road.flow.nestingExplanationWindow();
    nesting->findChild<QAction *>("CopyItem")->trigger();
    QCOMPARE(road.clipboard.contents, NestingExplanationWindow::clipboardText());
    nesting->findChild<QAction *>("PrintItem")->trigger();

    QCOMPARE(road.printer.dialogTitles, QStringList({"Print Explanation", "Print Nesting Explanation"}));
    QVERIFY(pdfText(road.printer.printedFiles.value(1)).simplified().endsWith("the implicit nests."));
    QVERIFY(road.messages.shown.empty());
    // The explanations lead back to the Design Specification window.
    nesting->findChild<QPushButton *>("ReturnButton")->click();
    QVERIFY(road.spec()->isVisible() && !nesting->isVisible() && !options->isVisible());
}

void TableOutputTest::windowShowsTheSeedEachPsIntervalAndCountsAndTheDistribution()
{
    HeatRoad road;
    const NTable &table = road.problem.table;
    QLabel *facts = road.table()->findChild<QLabel *>("FactsLabel");
    QCOMPARE(facts->text().toStdString(), factsLine(table));
    QVERIFY(facts->isVisible() && (facts->textInteractionFlags() & Qt::TextSelectableByMouse));
    QTableWidget *grid = road.table()->grid();
    QCOMPARE(grid->item(0, 5)->toolTip(), QString("99% interval [.0000, .0015]\n1 of 5,000 arrangements reached the "
                                                  "observed N-ratio: the observed one and 0 of the shuffles"));

    // The plot shows the current row's distribution, its observed N-ratio marked where it falls.
    DistributionPlot *plot = road.table()->plot();
    for (int row : {1, 0}) {
        grid->setCurrentCell(row, 0);
        QVERIFY(plot->hasDistribution());
        QCOMPARE(plot->histogram().counts, table.rows[static_cast<size_t>(row)].p->distribution.counts);
    }
    const QImage image = plot->grab().toImage();
    const int x = qRound(plot->xOf(table.rows[0].nRatio));
    const int y = qRound(plot->plotArea().center().y());
    QVERIFY(x > plot->plotArea().left() + 10 && x < plot->plotArea().right() - 10);
    bool marked = false;
    for (int dx : {-1, 0, 1})
        marked = marked || (image.pixelColor(x + dx, y).red() > 180 && image.pixelColor(x + dx, y).green() < 80);
    QVERIFY(marked);
    grid->setCurrentCell(3, 0); // Within: not tested
    QVERIFY(!plot->hasDistribution());
}

void TableOutputTest::exactPIsSaidToBeExactWhereverItIsShown()
{
    // Eight scores: no more distinct arrangements than the iterations, so every one is counted.
    ProblemState problem = makeProblem({{"A", 2}, {"B", 2}, {"R", 2}}, 2, 3, 1000);
    problem.scores.flat = {"a", "b", "a", "b", "a", "b", "b", "b"};
    Road road(problem);
    road.choose(0, 3);
    road.prepareTable();
    QVERIFY(road.problem.table.exact() && road.problem.table.rows[0].p);
    KelsimTableWindow *window = road.flow.tableWindow();
    QVERIFY(window->grid()->item(0, 6)->text() == "exact" &&
            window->grid()->item(0, 5)->toolTip().startsWith("exact: "));
    QVERIFY(window->selectedRowsText().startsWith("A\t 1\t4\t.750\t2.00\t.286\texact\t"));
    const QRegularExpression exactRow("^ A .*\\s+exact$");
    window->findChild<QAction *>("Copyitem")->trigger();
    QVERIFY(road.clipboard.contents.split("\r\n").indexOf(exactRow) > 0);
    QVERIFY(window->printout()->toPlainText().split('\n').indexOf(exactRow) > 0);
    const QString file = road.folder.filePath("exact.docx");
    QVERIFY(!writeNewDocument(file, tableDocumentFor(road.problem.design, road.problem.table), a4Page()).failed());
    QVERIFY(readWordDocument(file).image.plainText().contains(QRegularExpression("\nA\t.*\texact\n")));
}

QTEST_MAIN(TableOutputTest)
#include "TableOutputTest.moc"
