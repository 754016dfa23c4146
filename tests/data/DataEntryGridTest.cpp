// The Data Entry Grid driven with keys and the mouse: its rows in cell order, typing and the
// accepted characters, the keyboard road of a spreadsheet with undo, marks, insert, remove, clear,
// the frozen name and level columns, "Data &OK" and the ScoreSet it fills, the window's size and
// place, and leaving the grid.

#include "TestSupport.h"

#include "WindowPlacement.h"

#include <QScrollBar>

using namespace kelsim;
using namespace kelsim::test;

namespace {

// A grid for Region (2) x Age (3) x Person (4): 24 rows.
struct SurveyGrid : Session {
    SurveyGrid() { confirm({{"Region", 2}, {"Age", 3}, {"Person", 4}}, "Survey"); }
};

// The score column of the survey grid: these texts first, the other rows empty.
std::vector<QString> column(const QStringList &first)
{
    std::vector<QString> texts(first.begin(), first.end());
    texts.resize(24);
    return texts;
}

QStringList numbered(int count, const QString &prefix = "s")
{
    QStringList texts;
    for (int i = 1; i <= count; ++i)
        texts << prefix + QString::number(i);
    return texts;
}

// A window's frame stands inside the screen's free area, about its middle.
bool centredOnScreen(QWidget *window)
{
    const QRect area = availableArea(window);
    const QPoint offset = window->frameGeometry().center() - area.center();
    return area.contains(window->frameGeometry()) && offset.manhattanLength() <= 40;
}

} // namespace

class DataEntryGridTest : public QObject {
    Q_OBJECT

  private slots:
    void showsOneRowPerCellInCellOrder();
    void commandsFollowTheEditsAndDataOk();
    void typedCharactersAreAppendedOnlyWhenAccepted_data();
    void typedCharactersAreAppendedOnlyWhenAccepted();
    void aScoreTooLongForADataFileIsRefusedWhereTyped();
    void typingReplacesTheScoreTheCursorCameToAndBackspaceShortensIt();
    void enterBeyondTheScreenKeepsTwoRowsAboveTheCursor();
    void keysAndClicksMoveTheCursorAndDeleteEmptiesTheScore();
    void doubleClickTogglesTheRedMarkUntilTheScoreChanges();
    void insertAndRemoveActOnTheCursorsRow();
    void insertAsksBeforePushingOutTheLastScore();
    void undoTakesBackEachEditAndRedoRepeatsIt_data();
    void undoTakesBackEachEditAndRedoRepeatsIt();
    void copiedScoresPasteBackAtTheCursorAndNeverOverwrite();
    void nameAndLevelColumnsStayInSightBesideALongScore();
    void aLongProblemLabelLeavesEveryButtonOnScreen_data();
    void aLongProblemLabelLeavesEveryButtonOnScreen();
    void eachProblemsGridOpensFreshAndCentredAtItsOwnSize();
    void longNamesAreShortenedWhenTheScreenIsNarrow();
    void dataOkReportsTheFirstMissingScoreAndScrollsToIt();
    void anovaDesignKeepsABackupAndLeadsOn();
    void closingTheGridGoesThroughTheExitPath();
};

void DataEntryGridTest::showsOneRowPerCellInCellOrder()
{
    SurveyGrid s;
    GridDriver g(s);
    QCOMPARE(g.scores().rowCount(), 24);
    QCOMPARE(g.scores().columnCount(), 7);
    for (int row = 0; row < 24; ++row) {
        QCOMPARE(g.scores().index(row, 0).data().toString(), QString("Region"));
        QCOMPARE(g.scores().index(row, 4).data().toString(), QString("Person"));
        QCOMPARE(g.scores().index(row, 1).data().toString(), QString::number(row % 2 + 1));
        QCOMPARE(g.scores().index(row, 3).data().toString(), QString::number(row / 2 % 3 + 1));
        QCOMPARE(g.scores().index(row, 5).data().toString(), QString::number(row / 6 + 1));
    }
    // Only the score column takes the cursor.
    QCOMPARE(g.view()->currentIndex(), g.scores().index(0, 6));
    QVERIFY(!(g.scores().flags(g.scores().index(0, 1)) & Qt::ItemIsSelectable));
}

void DataEntryGridTest::commandsFollowTheEditsAndDataOk()
{
    SurveyGrid s;
    GridDriver g(s);
    for (const char *on : {"PasteItem", "OpenItem", "WidenItem", "ExitItem", "RestartButton"})
        QVERIFY2(g.enabled(on), on);
    for (const char *off : {"DataOkButton", "AnovaButton", "ClearItem", "InsertItem", "RemoveItem", "CopyItem",
                            "SaveItem", "PrintItem", "NewWinwordItem", "ExistingWinwordItem", "UndoItem"})
        QVERIFY2(!g.enabled(off), off);
    g.key(Qt::Key_Down);
    for (const char *on : {"ClearItem", "InsertItem", "RemoveItem"})
        QVERIFY2(g.enabled(on), on);
    QVERIFY(!g.enabled("DataOkButton"));

    g.key(Qt::Key_Home);
    g.typeScores(numbered(24));
    QVERIFY(g.enabled("DataOkButton"));
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    for (const char *on : {"CopyItem", "AnovaButton", "PrintItem", "SaveItem", "NewWinwordItem", "ExistingWinwordItem"})
        QVERIFY2(g.enabled(on), on);
    QVERIFY(!g.enabled("PasteItem"));
    QVERIFY(g.button("AnovaButton")->hasFocus());

    // A click alone changes nothing; a mark, a key or Enter needs "Data OK" again.
    g.clickRow(4);
    QVERIFY(g.enabled("AnovaButton"));
    g.doubleClickRow(4);
    QVERIFY(!g.enabled("AnovaButton"));
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    g.clickRow(4);
    g.key(Qt::Key_Return);
    for (const char *off : {"AnovaButton", "SaveItem", "PrintItem"})
        QVERIFY2(!g.enabled(off), off);
}

void DataEntryGridTest::typedCharactersAreAppendedOnlyWhenAccepted_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("score");
    QTest::newRow("letters, digits, blanks, brackets") << "1a B[\\]^_`{"
                                                       << "1a B[\\]^_`{";
    QTest::newRow("punctuation ignored") << "1,2.3-4"
                                         << "1234";
    QTest::newRow("other signs ignored") << "a!@#$%&*()=+}|~b"
                                         << "ab";
    QTest::newRow("accents ignored") << QString::fromUtf8("é1") << "1";
}

void DataEntryGridTest::typedCharactersAreAppendedOnlyWhenAccepted()
{
    QFETCH(QString, typed);
    QFETCH(QString, score);
    SurveyGrid s;
    GridDriver g(s);
    g.type(typed);
    QCOMPARE(g.score(0), score);
    QVERIFY(s.problem().session.changedSinceSave);
}

void DataEntryGridTest::aScoreTooLongForADataFileIsRefusedWhereTyped()
{
    SurveyGrid s;
    GridDriver g(s);
    const QString longest(255, 'x');
    g.scores().setScoreText(0, longest);
    g.key(Qt::Key_F2);
    g.type("y");
    QCOMPARE(s.messages.last().title, QString("Data Entry Error!"));
    QCOMPARE(g.score(0), longest);
}

void DataEntryGridTest::typingReplacesTheScoreTheCursorCameToAndBackspaceShortensIt()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"12", "ab"});
    g.key(Qt::Key_Up);
    g.type("z");
    g.type("y");
    QCOMPARE(g.score(1), QString("zy"));
    // Backspace takes the last character off, and beeps at an empty score.
    g.key(Qt::Key_Backspace);
    QCOMPARE(g.score(1), QString("z"));
    g.key(Qt::Key_Backspace);
    QCOMPARE(s.messages.beeps, 0);
    g.key(Qt::Key_Backspace);
    QCOMPARE(s.messages.beeps, 1);
    // F2 goes on at the end of the score, as in a spreadsheet.
    g.key(Qt::Key_Up);
    g.key(Qt::Key_F2);
    g.type("3");
    QCOMPARE(g.score(0), QString("123"));
}

void DataEntryGridTest::enterBeyondTheScreenKeepsTwoRowsAboveTheCursor()
{
    Session s;
    s.confirm({{"Subject", 50}, {"Time", 4}});
    GridDriver g(s);
    const int shown = g.window.visibleRows();
    QVERIFY(shown > 3 && shown < 200);
    for (int i = 0; i < shown + 5; ++i)
        g.key(Qt::Key_Return);
    QCOMPARE(g.window.currentRow(), shown + 5);
    QCOMPARE(g.window.topRow(), shown + 3);
    // Near the end the grid stops at its last screenful.
    g.key(Qt::Key_End);
    g.key(Qt::Key_Return);
    QCOMPARE(g.window.topRow(), 200 - shown);
}

void DataEntryGridTest::keysAndClicksMoveTheCursorAndDeleteEmptiesTheScore()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a", "b", "c"});
    QCOMPARE(g.cursorRow(), 3);
    g.key(Qt::Key_Up);
    g.key(Qt::Key_Up);
    g.key(Qt::Key_Delete);
    QCOMPARE(g.scores().texts(), column({"a", "", "c"}));
    g.key(Qt::Key_End);
    g.typeScores({"z"}); // Enter on the last row stays there
    QCOMPARE(g.cursorRow(), 23);
    QCOMPARE(g.score(23), QString("z"));
    g.key(Qt::Key_Home);
    g.key(Qt::Key_PageDown);
    QVERIFY(g.window.currentRow() > 1);
    QCOMPARE(g.cursorRow(), g.window.currentRow());
    // Left and Right keep the cursor in the score column.
    g.key(Qt::Key_Left);
    QCOMPARE(g.view()->currentIndex().column(), 6);

    g.clickRow(5);
    QCOMPARE(g.cursorRow(), 5);
    QVERIFY(g.view()->hasFocus());
    g.type("q");
    QCOMPARE(g.score(5), QString("q"));
    // A click on a level cell, which stays at the left of the grid, selects the row's score.
    QTableView *frozen = child<QTableView>(g.view(), "FrozenColumns");
    QTest::mouseClick(frozen->viewport(), Qt::LeftButton, {}, frozen->visualRect(g.scores().index(3, 1)).center());
    QCOMPARE(g.window.currentRow(), 3);
    QCOMPARE(g.view()->currentIndex().column(), 6);
}

void DataEntryGridTest::doubleClickTogglesTheRedMarkUntilTheScoreChanges()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a", "b"});
    s.problem().session.changedSinceSave = false;
    g.doubleClickRow(1);
    QVERIFY(g.scores().isMarked(1));
    QCOMPARE(g.scores().index(1, 6).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    QVERIFY(s.problem().session.changedSinceSave);
    g.doubleClickRow(1);
    QVERIFY(!g.scores().isMarked(1));
    g.doubleClickRow(0);
    // Keys that leave the score as it is keep the mark; a new score is no longer the marked one.
    g.type(",");
    g.key(Qt::Key_Up);
    QVERIFY(g.scores().isMarked(0));
    g.type("x");
    QVERIFY(!g.scores().isMarked(0));
}

void DataEntryGridTest::insertAndRemoveActOnTheCursorsRow()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a", "b", "c", "d"});
    g.doubleClickRow(2); // "c" marked
    g.key(Qt::Key_Home);
    g.key(Qt::Key_Down);
    g.key(Qt::Key_Insert); // the shortcut of "&Insert Single Score"
    QVERIFY(s.messages.shown.empty());
    QCOMPARE(g.scores().texts(), column({"a", "", "b", "c", "d"}));
    QVERIFY(g.scores().isMarked(3));
    QVERIFY(!g.enabled("AnovaButton"));
    g.type("n");
    QCOMPARE(g.score(1), QString("n"));

    g.key(Qt::Key_Down);
    g.key(Qt::Key_Delete, Qt::ControlModifier); // "&Remove Single Score"
    QCOMPARE(g.scores().texts(), column({"a", "n", "c", "d"}));
    QVERIFY(g.scores().isMarked(2));
}

void DataEntryGridTest::insertAsksBeforePushingOutTheLastScore()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores(numbered(24));
    g.clickRow(0);
    s.messages.answers.push_back(MessageAnswer::No);
    g.item("InsertItem")->trigger();
    QVERIFY(sameMessage(s.messages.last(),
                        "The last score in the grid (s24) has no row to move down to and would be lost.  Insert the "
                        "new score anyway?",
                        "Wait", MessageIcon::Question, MessageButtons::YesNo));
    QCOMPARE(g.score(0), QString("s1"));
    s.messages.answers.push_back(MessageAnswer::Yes);
    g.item("InsertItem")->trigger();
    QCOMPARE(g.score(0), QString());
    QCOMPARE(g.score(23), QString("s23"));
}

void DataEntryGridTest::undoTakesBackEachEditAndRedoRepeatsIt_data()
{
    QTest::addColumn<QString>("edit");
    for (const char *edit : {"typing", "delete", "insert", "remove", "mark", "paste", "clear all"})
        QTest::newRow(edit) << QString(edit);
}

void DataEntryGridTest::undoTakesBackEachEditAndRedoRepeatsIt()
{
    QFETCH(QString, edit);
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a", "b", "c"});
    g.key(Qt::Key_Up); // row 2, "c"
    const std::vector<ScoreCell> before = g.cells();
    if (edit == "typing") {
        g.type("xyz"); // one step, however many characters
    } else if (edit == "delete") {
        g.key(Qt::Key_Delete);
    } else if (edit == "insert") {
        g.item("InsertItem")->trigger();
    } else if (edit == "remove") {
        g.item("RemoveItem")->trigger();
    } else if (edit == "mark") {
        g.doubleClickRow(2);
    } else if (edit == "paste") {
        s.clipboard.contents = "p\nq\n";
        g.key(Qt::Key_Down);
        g.key(Qt::Key_V, Qt::ControlModifier);
    } else {
        // Clearing asks first; "No" keeps every score.
        s.messages.answers = {MessageAnswer::No};
        g.item("ClearItem")->trigger();
        QVERIFY(sameMessage(s.messages.last(), "Clear every score in the grid?  Undo (Ctrl+Z) brings them back.",
                            "Clear All Data", MessageIcon::Question, MessageButtons::YesNo));
        QVERIFY(g.cells() == before);
        s.messages.answers = {MessageAnswer::Yes};
        g.item("ClearItem")->trigger();
        QCOMPARE(g.scores().firstEmptyRow(), 0);
    }
    const std::vector<ScoreCell> after = g.cells();
    QVERIFY(after != before);

    s.problem().session.changedSinceSave = false;
    g.key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(g.cells() == before);
    QVERIFY(s.problem().session.changedSinceSave);
    g.item("RedoItem")->trigger();
    QVERIFY(g.cells() == after);
}

void DataEntryGridTest::copiedScoresPasteBackAtTheCursorAndNeverOverwrite()
{
    const QStringList typed = numbered(24);
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores(typed);
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    g.key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(s.clipboard.contents, typed.join('\n') + '\n');

    SurveyGrid fresh;
    GridDriver h(fresh);
    h.clickRow(20);
    h.type("x");
    fresh.clipboard.contents = "a\nb\nc\nd\n";
    h.clickRow(18);
    h.key(Qt::Key_V, Qt::ControlModifier); // row 20 already holds a score: nothing is pasted
    QVERIFY(fresh.messages.last().text.startsWith("You cannot paste onto a cell containing data."));
    QCOMPARE(h.score(18), QString());

    // At the first row the list replaces the whole column.
    fresh.clipboard.contents = s.clipboard.contents;
    h.key(Qt::Key_Home);
    h.key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(h.scores().texts(), g.scores().texts());
    QVERIFY(fresh.problem().session.changedSinceSave);
    QVERIFY(h.enabled("DataOkButton"));
}

void DataEntryGridTest::nameAndLevelColumnsStayInSightBesideALongScore()
{
    SurveyGrid s;
    GridDriver g(s);
    const int initial = g.window.scoreColumnWidth();
    g.type(QString(200, 'x'));
    QVERIFY(g.window.scoreColumnWidth() > g.view()->viewport()->width());
    // The end of the score being typed is in view, and so are the factors' names and levels.
    QVERIFY(g.view()->horizontalScrollBar()->value() > 0);
    const int y = g.view()->visualRect(g.scores().index(0, 6)).center().y();
    QCOMPARE(g.cellSeenAt(QPoint(2, y)), g.scores().index(0, 0));
    g.view()->horizontalScrollBar()->setValue(g.view()->horizontalScrollBar()->maximum());
    const int levelColumnEnd = g.view()->columnViewportPosition(6) + g.view()->horizontalScrollBar()->value();
    QCOMPARE(g.cellSeenAt(QPoint(levelColumnEnd - 3, y)), g.scores().index(0, 5));
    QCOMPARE(g.cellSeenAt(QPoint(levelColumnEnd + 3, y)), g.scores().index(0, 6));

    // The column shrinks again when the long score goes; what Widen added stays.
    g.key(Qt::Key_Delete);
    QCOMPARE(g.window.scoreColumnWidth(), initial);
    g.item("WidenItem")->trigger();
    const int widened = g.window.scoreColumnWidth();
    QVERIFY(widened > initial);
    g.type(QString(200, 'x'));
    g.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(g.window.scoreColumnWidth(), widened);
}

void DataEntryGridTest::aLongProblemLabelLeavesEveryButtonOnScreen_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("words") << QString("Responses of the second cohort, ").repeated(10);
    QTest::newRow("one long word") << QString(330, 'L');
}

void DataEntryGridTest::aLongProblemLabelLeavesEveryButtonOnScreen()
{
    QFETCH(QString, label);
    Session s;
    s.box("Text4")->setText(label);
    s.confirm({{"Region", 2}, {"Age", 3}});
    GridDriver g(s);
    QCOMPARE(child<QLabel>(&g.window, "Label1")->text(), "Enter Data for " + label + ":");
    QVERIFY(g.window.minimumSizeHint().width() <= availableArea(&g.window).width());
    QVERIFY(centredOnScreen(&g.window));
    for (QPushButton *button : g.window.findChildren<QPushButton *>())
        QVERIFY2(g.window.rect().contains(QRect(button->mapTo(&g.window, QPoint()), button->size())),
                 qPrintable(button->text()));
}

// "&Restart" leads to a fresh problem, whose grid holds none of the last one's scores, edits,
// size or place.
void DataEntryGridTest::eachProblemsGridOpensFreshAndCentredAtItsOwnSize()
{
    SurveyGrid s;
    GridDriver g(s);
    const QSize opened = g.window.size();
    QVERIFY(centredOnScreen(&g.window));
    g.typeScores({"a", "b"});
    g.window.resize(320, 240);
    g.window.move(availableArea(&g.window).topLeft());
    s.messages.answers = {MessageAnswer::No}; // not saved
    QTest::mouseClick(g.button("RestartButton"), Qt::LeftButton);
    QVERIFY(!g.window.isVisible());
    QCOMPARE(s.box("Text4")->text(), QString());
    QVERIFY(s.problem().session.notConfirmed);
    s.confirm({{"Region", 2}, {"Age", 3}, {"Person", 4}});
    QCOMPARE(g.window.size(), opened);
    QVERIFY(centredOnScreen(&g.window));
    QCOMPARE(g.scores().texts(), std::vector<QString>(24));
    QCOMPARE(child<QLabel>(&g.window, "Label1")->text(), QString("Enter Data:"));
    QVERIFY(!g.enabled("UndoItem"));
}

void DataEntryGridTest::longNamesAreShortenedWhenTheScreenIsNarrow()
{
    Session s;
    s.confirm({{"Temperature", 2}, {"Humidity", 2}, {"Pressure", 2}, {"Location", 2}, {"Weather", 2}, {"Season", 2}});
    GridDriver g(s);
    QCOMPARE(g.scores().index(0, 0).data().toString(), QString("T"));
    QCOMPARE(g.scores().index(0, 10).data().toString(), QString("S"));
    // The design keeps the names as typed.
    QCOMPARE(s.problem().design.factors[0].name, std::string("Temperature"));

    Session wide;
    wide.confirm({{"Temperature", 2}, {"Humidity", 2}});
    QCOMPARE(wide.grid().scores().index(0, 0).data().toString(), QString("Temperature"));
}

void DataEntryGridTest::dataOkReportsTheFirstMissingScoreAndScrollsToIt()
{
    Session s;
    s.confirm({{"Subject", 50}, {"Time", 4}});
    GridDriver g(s);
    g.typeScores(numbered(199));
    g.key(Qt::Key_Home);
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    QVERIFY(sameMessage(s.messages.last(), "At least one score is missing from the data set.", "Data Entry Error!",
                        MessageIcon::Critical));
    QCOMPARE(g.cursorRow(), 199);
    QCOMPARE(g.window.topRow(), 199 - g.window.visibleRows() + 1);
    QVERIFY(g.view()->hasFocus());
    QVERIFY(s.problem().scores.flat.empty());

    g.type("last");
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QCOMPARE(s.problem().scores.count(), int64_t(200));
}

void DataEntryGridTest::anovaDesignKeepsABackupAndLeadsOn()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores(numbered(24));
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    s.problem().nestingSpecified = true;
    QTest::mouseClick(g.button("AnovaButton"), Qt::LeftButton);
    QCOMPARE(s.app->designSpecificationRequests(), 1);
    QCOMPARE(s.problem().scoresBackup.flat, s.problem().scores.flat);
    QVERIFY(!s.problem().nestingSpecified);
}

void DataEntryGridTest::closingTheGridGoesThroughTheExitPath()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a"});
    s.messages.answers = {MessageAnswer::Cancel, MessageAnswer::No};
    g.window.close();
    QVERIFY(g.window.isVisible());
    QCOMPARE(s.messages.last().title, QString("Exit"));
    g.window.close();
    QVERIFY(!g.window.isVisible());
    QCOMPARE(s.programEnds, 1);
}

QTEST_MAIN(DataEntryGridTest)
#include "DataEntryGridTest.moc"
