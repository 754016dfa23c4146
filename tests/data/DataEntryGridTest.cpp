// The Data Entry Grid driven with keys and the mouse: its rows in cell order, typing and the
// accepted characters, Enter and the other keys, marks, insert, remove, clear, widen, "Data &OK"
// and the ScoreSet it fills, the enabling of every command, and leaving the grid.

#include "TestSupport.h"

#include "ClipboardService.h"
#include "PrintService.h"
#include "PdfText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>

using namespace kelsim;
using namespace kelsim::test;

namespace {

class GridDriver {
  public:
    explicit GridDriver(Session &s) : session(s), window(s.grid())
    {
        QApplication::setActiveWindow(&window); // what the window manager does for a new window
    }

    QTableView *view() { return window.grid(); }
    ScoreGridModel &scores() { return window.scores(); }
    QString score(int row) { return scores().scoreText(row); }
    QAction *item(const char *name) { return child<QAction>(&window, name); }
    QPushButton *button(const char *name) { return child<QPushButton>(&window, name); }
    bool enabled(const char *name)
    {
        if (QAction *action = window.findChild<QAction *>(name))
            return action->isEnabled();
        return button(name)->isEnabled();
    }

    void type(const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(view(), c.toLatin1());
            else // keys beyond ASCII arrive as text without a key code of their own
                QTest::sendKeyEvent(QTest::Click, view(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void key(Qt::Key key) { QTest::keyClick(view(), key); }
    // Types each score and presses Enter after it.
    void typeScores(const QStringList &texts)
    {
        for (const QString &text : texts) {
            type(text);
            key(Qt::Key_Return);
        }
    }
    QPoint rowPoint(int row)
    {
        const QModelIndex index = scores().index(row, scores().scoreColumn());
        view()->scrollTo(index);
        return view()->visualRect(index).center();
    }
    void clickRow(int row) { QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowPoint(row)); }
    void doubleClickRow(int row)
    {
        const QPoint at = rowPoint(row);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, at);
    }
    int cursorRow() { return view()->currentIndex().row(); }

    Session &session;
    DataEntryGrid &window;
};

// A grid for Region (2) x Age (3) x Person (4): 24 rows.
struct SurveyGrid : Session {
    SurveyGrid() { confirm({{"Region", 2}, {"Age", 3}, {"Person", 4}}, "Survey"); }
};

QStringList numbered(int count, const QString &prefix = "s")
{
    QStringList texts;
    for (int i = 1; i <= count; ++i)
        texts << prefix + QString::number(i);
    return texts;
}

} // namespace

class DataEntryGridTest : public QObject {
    Q_OBJECT

  private slots:
    void showsOneRowPerCellInCellOrder();
    void captionCarriesTheProblemLabel();
    void commandsWhenTheGridOpens();
    void typedCharactersAreAppendedOnlyWhenAccepted_data();
    void typedCharactersAreAppendedOnlyWhenAccepted();
    void backspaceRemovesTheLastCharacterOrBeeps();
    void aScoreTooLongForADataFileIsRefusedWhereTyped();
    void aTenthCharacterWidensTheScoreColumn();
    void enterMovesDownAndEnablesDataOk();
    void enterOnTheLastRowStaysThere();
    void enterBeyondTheScreenKeepsTwoRowsAboveTheCursor();
    void deleteHomeEndAndArrowsMoveAndEmpty();
    void anyKeyEnablesTheEditingCommands();
    void clickMovesTheCursorToTheClickedRow();
    void doubleClickTogglesTheRedMark();
    void changingAMarkedScoreTurnsItBlack();
    void insertNeedsTheClickedScore();
    void insertShiftsScoresDownWithTheirMarks();
    void insertAsksBeforePushingOutTheLastScore();
    void removeNeedsTheClickedScore();
    void removeShiftsScoresUpAndEmptiesTheLastCell();
    void clearAllEmptiesEveryScore();
    void copiedScoresPasteBackAndAPasteNeverOverwrites();
    void printDataWritesTheRowsToThePrinter();
    void widenAddsToTheScoreColumn();
    void dataOkReportsTheFirstMissingScoreAndScrollsToIt();
    void dataOkFillsTheScoreSetInCellOrder();
    void dataOkSwitchesTheCommands();
    void anyEditAfterDataOkRequiresItAgain();
    void anovaDesignKeepsABackupAndLeadsOn();
    void restartWithNoScoresAsksNothing();
    void restartWithTypedScoresAsksFirst();
    void restartAfterDataOkAsksUnderTheRestartTitle();
    void closingTheGridGoesThroughTheExitPath();
    void longNamesAreShortenedWhenTheGridIsNarrow();
    void largestDesignOpensAndConfirms();
};

void DataEntryGridTest::showsOneRowPerCellInCellOrder()
{
    SurveyGrid s;
    GridDriver g(s);
    QCOMPARE(g.window.windowTitle(), QString("Data Entry Grid"));
    QVERIFY(g.view()->objectName() == "Grid1");
    QCOMPARE(g.scores().rowCount(), 24);
    QCOMPARE(g.scores().columnCount(), 7);
    QCOMPARE(g.scores().scoreColumn(), 6);
    for (int row = 0; row < 24; ++row) {
        QCOMPARE(g.scores().index(row, 0).data().toString(), QString("Region"));
        QCOMPARE(g.scores().index(row, 2).data().toString(), QString("Age"));
        QCOMPARE(g.scores().index(row, 4).data().toString(), QString("Person"));
        QCOMPARE(g.scores().index(row, 1).data().toString(), QString::number(row % 2 + 1));
        QCOMPARE(g.scores().index(row, 3).data().toString(), QString::number(row / 2 % 3 + 1));
        QCOMPARE(g.scores().index(row, 5).data().toString(), QString::number(row / 6 + 1));
        QCOMPARE(g.score(row), QString());
    }
    // Only the score column takes the cursor.
    QCOMPARE(g.view()->currentIndex().column(), 6);
    QCOMPARE(g.cursorRow(), 0);
    QCOMPARE(g.window.currentRow(), 0);
    QVERIFY(!(g.scores().flags(g.scores().index(0, 1)) & Qt::ItemIsSelectable));
}

void DataEntryGridTest::captionCarriesTheProblemLabel()
{
    SurveyGrid labelled;
    QCOMPARE(child<QLabel>(&labelled.grid(), "Label1")->text(), QString("Enter Data for Survey:"));
    Session plain;
    plain.confirm({{"Region", 2}, {"Age", 3}});
    QCOMPARE(child<QLabel>(&plain.grid(), "Label1")->text(), QString("Enter Data:"));
}

void DataEntryGridTest::commandsWhenTheGridOpens()
{
    SurveyGrid s;
    GridDriver g(s);
    const std::vector<std::pair<const char *, QString>> captions = {
        {"OpenItem", "&Open file (for data entry)..."},
        {"SaveItem", "&Save Data in File (As...)"},
        {"PrintItem", "&Print Data"},
        {"PrinterSetupItem", "P&rinter Setup..."},
        {"NewWinwordItem", "Print Data to &New Winword 12.0 Document"},
        {"ExistingWinwordItem", "Append Data to &Existing Winword 12.0 Document"},
        {"ExitItem", "E&xit Alt + F4"},
        {"WidenItem", "&Widen Entry Column"},
        {"ClearItem", "Clear &All Data"},
        {"InsertItem", "&Insert Single Score"},
        {"RemoveItem", "&Remove Single Score"},
        {"CopyItem", "&Copy Scores to Clipboard"},
        {"PasteItem", "&Paste Scores from Clipboard"}};
    for (const auto &[name, caption] : captions)
        QCOMPARE(g.item(name)->text(), caption);
    QCOMPARE(g.button("DataOkButton")->text(), QString("Data &OK"));
    QCOMPARE(g.button("AnovaButton")->text(), QString("&Anova Design..."));
    QCOMPARE(g.button("RestartButton")->text(), QString("&Restart"));
    QCOMPARE(g.button("DatascreenButton")->text(), QString("&Screen Data..."));
    QCOMPARE(g.button("Tables")->text(), QString("Show Two-&Way Tables"));

    for (const char *on : {"PasteItem", "OpenItem", "WidenItem", "ExitItem", "RestartButton"})
        QVERIFY2(g.enabled(on), on);
    for (const char *off : {"DataOkButton", "AnovaButton", "ClearItem", "InsertItem", "RemoveItem", "CopyItem",
                            "SaveItem", "PrintItem", "DatascreenButton", "Tables"})
        QVERIFY2(!g.enabled(off), off);
    for (const char *off : {"NewWinwordItem", "ExistingWinwordItem"})
        QVERIFY2(g.item(off)->isVisible() && !g.item(off)->isEnabled(), off);
}

void DataEntryGridTest::typedCharactersAreAppendedOnlyWhenAccepted_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("score");
    QTest::newRow("digits and a letter") << "12a"
                                         << "12a";
    QTest::newRow("space inside") << "a b"
                                  << "a b";
    QTest::newRow("upper case") << "Yes"
                                << "Yes";
    QTest::newRow("brackets and signs") << "[\\]^_`{"
                                        << "[\\]^_`{";
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

void DataEntryGridTest::backspaceRemovesTheLastCharacterOrBeeps()
{
    SurveyGrid s;
    GridDriver g(s);
    g.type("12a");
    g.key(Qt::Key_Backspace);
    QCOMPARE(g.score(0), QString("12"));
    QCOMPARE(s.messages.beeps, 0);
    g.key(Qt::Key_Backspace);
    g.key(Qt::Key_Backspace);
    QCOMPARE(g.score(0), QString());
    g.key(Qt::Key_Backspace);
    QCOMPARE(s.messages.beeps, 1);
    QCOMPARE(g.score(0), QString());
}

void DataEntryGridTest::aScoreTooLongForADataFileIsRefusedWhereTyped()
{
    SurveyGrid s;
    GridDriver g(s);
    const QString longest(255, 'x');
    g.scores().setScoreText(0, longest);
    g.type("y");
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(),
                        "A score can have at most 255 characters: a longer one cannot be kept in a data file.",
                        "Data Entry Error!", MessageIcon::Critical));
    QCOMPARE(g.score(0), longest);
}

void DataEntryGridTest::aTenthCharacterWidensTheScoreColumn()
{
    SurveyGrid s;
    GridDriver g(s);
    const int initial = g.window.scoreColumnWidth();
    QCOMPARE(initial, int(20 * g.view()->fontMetrics().horizontalAdvance('W')));
    const QString longScore(40, 'x');
    g.type(longScore);
    QCOMPARE(g.score(0), longScore);
    QCOMPARE(g.window.scoreColumnWidth(), qMax(initial, g.window.twips(125.0 * 40)));
    QVERIFY(g.window.scoreColumnWidth() > initial);
}

void DataEntryGridTest::enterMovesDownAndEnablesDataOk()
{
    SurveyGrid s;
    GridDriver g(s);
    g.type("a");
    g.key(Qt::Key_Return);
    QCOMPARE(g.window.currentRow(), 1);
    QCOMPARE(g.cursorRow(), 1);
    for (const char *on : {"DataOkButton", "ClearItem", "InsertItem", "RemoveItem", "CopyItem"})
        QVERIFY2(g.enabled(on), on);
    for (const char *off : {"AnovaButton", "PrintItem", "SaveItem", "DatascreenButton", "Tables"})
        QVERIFY2(!g.enabled(off), off);
    g.type("b");
    QCOMPARE(g.score(1), QString("b"));
    QCOMPARE(g.score(0), QString("a"));
}

void DataEntryGridTest::enterOnTheLastRowStaysThere()
{
    SurveyGrid s;
    GridDriver g(s);
    g.key(Qt::Key_End);
    g.type("z");
    g.key(Qt::Key_Return);
    QCOMPARE(g.window.currentRow(), 23);
    QCOMPARE(g.cursorRow(), 23);
    QVERIFY(g.enabled("DataOkButton"));
    g.type("9");
    QCOMPARE(g.score(23), QString("z9"));
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

void DataEntryGridTest::deleteHomeEndAndArrowsMoveAndEmpty()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a", "b", "c"});
    g.key(Qt::Key_Up);
    QCOMPARE(g.window.currentRow(), 2);
    g.key(Qt::Key_Up);
    QCOMPARE(g.window.currentRow(), 1);
    g.key(Qt::Key_Delete);
    QCOMPARE(g.score(1), QString());
    QCOMPARE(g.score(0), QString("a"));
    g.key(Qt::Key_End);
    QCOMPARE(g.window.currentRow(), 23);
    QCOMPARE(g.cursorRow(), 23);
    g.key(Qt::Key_Home);
    QCOMPARE(g.window.currentRow(), 0);
    QCOMPARE(g.cursorRow(), 0);
    g.key(Qt::Key_Down);
    QCOMPARE(g.window.currentRow(), 1);
    g.key(Qt::Key_PageDown);
    QVERIFY(g.window.currentRow() > 1);
    QCOMPARE(g.cursorRow(), g.window.currentRow());
    g.type("p");
    QCOMPARE(g.score(g.cursorRow()), QString("p"));
    // Left and Right keep the cursor in the score column.
    g.key(Qt::Key_Left);
    QCOMPARE(g.view()->currentIndex().column(), 6);
}

void DataEntryGridTest::anyKeyEnablesTheEditingCommands()
{
    SurveyGrid s;
    GridDriver g(s);
    g.key(Qt::Key_Down);
    for (const char *on : {"ClearItem", "InsertItem", "RemoveItem"})
        QVERIFY2(g.enabled(on), on);
    QVERIFY(!g.enabled("DataOkButton"));
}

void DataEntryGridTest::clickMovesTheCursorToTheClickedRow()
{
    SurveyGrid s;
    GridDriver g(s);
    g.clickRow(5);
    QCOMPARE(g.window.clickedRow(), 5);
    QCOMPARE(g.window.currentRow(), 5);
    QCOMPARE(g.cursorRow(), 5);
    QVERIFY(g.view()->hasFocus());
    for (const char *on : {"ClearItem", "InsertItem", "RemoveItem"})
        QVERIFY2(g.enabled(on), on);
    g.type("q");
    QCOMPARE(g.score(5), QString("q"));
    // A click on a name or level cell selects the row's score too.
    QTest::mouseClick(g.view()->viewport(), Qt::LeftButton, {}, g.view()->visualRect(g.scores().index(3, 1)).center());
    QCOMPARE(g.window.currentRow(), 3);
    QCOMPARE(g.view()->currentIndex().column(), 6);
}

void DataEntryGridTest::doubleClickTogglesTheRedMark()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a", "b"});
    s.problem().session.changedSinceSave = false;
    g.doubleClickRow(1);
    QVERIFY(g.scores().isMarked(1));
    QCOMPARE(g.scores().index(1, 6).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    QCOMPARE(g.scores().index(0, 6).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::black));
    QVERIFY(s.problem().session.changedSinceSave);
    QVERIFY(!g.enabled("AnovaButton"));
    g.doubleClickRow(1);
    QVERIFY(!g.scores().isMarked(1));
}

void DataEntryGridTest::changingAMarkedScoreTurnsItBlack()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a"});
    g.doubleClickRow(0);
    QVERIFY(g.scores().isMarked(0));
    // Keys that leave the score as it is keep the mark.
    g.type(",");
    g.key(Qt::Key_Return);
    QVERIFY(g.scores().isMarked(0));
    g.clickRow(0);
    g.type("x");
    QCOMPARE(g.score(0), QString("ax"));
    QVERIFY(!g.scores().isMarked(0));
}

void DataEntryGridTest::insertNeedsTheClickedScore()
{
    SurveyGrid s;
    GridDriver g(s);
    g.clickRow(2);
    g.key(Qt::Key_Down);
    g.item("InsertItem")->trigger();
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "You must select a score before which the new score will be inserted.",
                        "Wait", MessageIcon::Critical));
}

void DataEntryGridTest::insertShiftsScoresDownWithTheirMarks()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a", "b", "c", "d"});
    g.doubleClickRow(2); // "c" marked
    g.clickRow(1);
    g.item("InsertItem")->trigger();
    QVERIFY(s.messages.shown.empty());
    QCOMPARE(g.score(0), QString("a"));
    QCOMPARE(g.score(1), QString());
    QCOMPARE(g.score(2), QString("b"));
    QCOMPARE(g.score(3), QString("c"));
    QCOMPARE(g.score(4), QString("d"));
    QVERIFY(!g.scores().isMarked(2));
    QVERIFY(g.scores().isMarked(3));
    QVERIFY(!g.enabled("AnovaButton"));
    QVERIFY(!g.enabled("DatascreenButton"));
    g.type("n");
    QCOMPARE(g.score(1), QString("n"));
}

void DataEntryGridTest::insertAsksBeforePushingOutTheLastScore()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores(numbered(24));
    g.clickRow(0);
    s.messages.answers.push_back(MessageAnswer::No);
    g.item("InsertItem")->trigger();
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(),
                        "The last score in the grid (s24) has no row to move down to and would be lost.  Insert the "
                        "new score anyway?",
                        "Wait", MessageIcon::Question, MessageButtons::YesNo));
    QCOMPARE(g.score(0), QString("s1"));
    QCOMPARE(g.score(23), QString("s24"));

    s.messages.answers.push_back(MessageAnswer::Yes);
    g.item("InsertItem")->trigger();
    QCOMPARE(g.score(0), QString());
    QCOMPARE(g.score(1), QString("s1"));
    QCOMPARE(g.score(23), QString("s23"));
}

void DataEntryGridTest::removeNeedsTheClickedScore()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a"});
    g.item("RemoveItem")->trigger();
    QVERIFY(sameMessage(s.messages.last(), "You must select a score to be removed.", "Wait", MessageIcon::Critical));
    QCOMPARE(g.score(0), QString("a"));
}

void DataEntryGridTest::removeShiftsScoresUpAndEmptiesTheLastCell()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores(numbered(24));
    g.doubleClickRow(3); // "s4" marked
    g.clickRow(0);
    g.item("RemoveItem")->trigger();
    QVERIFY(s.messages.shown.empty());
    QCOMPARE(g.score(0), QString("s2"));
    QCOMPARE(g.score(22), QString("s24"));
    QCOMPARE(g.score(23), QString());
    QVERIFY(g.scores().isMarked(2));
    QVERIFY(!g.scores().isMarked(3));
    QVERIFY(!g.enabled("AnovaButton"));
}

void DataEntryGridTest::clearAllEmptiesEveryScore()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a", "b", "c"});
    g.doubleClickRow(1);
    s.messages.clear();
    g.item("ClearItem")->trigger();
    QVERIFY(s.messages.shown.empty());
    for (int row = 0; row < 24; ++row)
        QCOMPARE(g.score(row), QString());
    QVERIFY(!g.scores().isMarked(1));
    QCOMPARE(g.window.currentRow(), 0);
    QCOMPARE(g.window.topRow(), 0);
    QVERIFY(!g.enabled("AnovaButton"));
    g.type("n");
    QCOMPARE(g.score(0), QString("n"));
}

void DataEntryGridTest::copiedScoresPasteBackAndAPasteNeverOverwrites()
{
    const QStringList typed = numbered(24);
    {
        SurveyGrid s;
        GridDriver g(s);
        g.typeScores(typed);
        QTest::mouseClick(child<QPushButton>(&g.window, "DataOkButton"), Qt::LeftButton);
        QVERIFY(g.enabled("CopyItem"));
        QVERIFY(!g.enabled("PasteItem"));
        g.item("CopyItem")->trigger();
        QCOMPARE(s.clipboard.contents, typed.join('\n') + '\n');
    }
    SurveyGrid s;
    GridDriver g(s);
    QVERIFY(g.enabled("PasteItem"));
    g.clickRow(20);
    g.type("x");
    s.clipboard.contents = "a\nb\nc\nd\n";
    g.clickRow(18);
    QVERIFY(g.enabled("PasteItem"));
    g.item("PasteItem")->trigger(); // row 20 already holds a score: nothing is pasted
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(s.messages.last().text.startsWith("You cannot paste onto a cell containing data."));
    QCOMPARE(g.score(18), QString());
    QCOMPARE(g.score(20), QString("x"));
    s.clipboard.contents = typed.join('\n') + '\n';

    g.item("ClearItem")->trigger();
    g.clickRow(0);
    g.item("PasteItem")->trigger();
    for (int row = 0; row < 24; ++row)
        QCOMPARE(g.score(row), typed[row]);
    QVERIFY(s.problem().session.changedSinceSave);
    QVERIFY(g.enabled("DataOkButton"));
}

void DataEntryGridTest::printDataWritesTheRowsToThePrinter()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores(numbered(24));
    QTest::mouseClick(child<QPushButton>(&g.window, "DataOkButton"), Qt::LeftButton);
    g.item("PrintItem")->trigger();
    QCOMPARE(s.printer.dialogTitles, QStringList({"Print Data"}));
    QCOMPARE(s.printer.printedFiles.size(), 1);
    const QString text = kelsim::testing::pdfText(s.printer.printedFiles.front());
    QVERIFY(text.indexOf("Raw Data") >= 0);
    QVERIFY(text.indexOf("s24") > text.indexOf("s1"));
}

void DataEntryGridTest::widenAddsToTheScoreColumn()
{
    SurveyGrid s;
    GridDriver g(s);
    const int before = g.window.scoreColumnWidth();
    g.item("WidenItem")->trigger();
    const int step = qRound(0.7 * g.view()->fontMetrics().horizontalAdvance('8'));
    QCOMPARE(g.window.scoreColumnWidth(), before + step);
    g.item("WidenItem")->trigger();
    QCOMPARE(g.window.scoreColumnWidth(), before + 2 * step);
}

void DataEntryGridTest::dataOkReportsTheFirstMissingScoreAndScrollsToIt()
{
    Session s;
    s.confirm({{"Subject", 50}, {"Time", 4}});
    GridDriver g(s);
    QStringList all = numbered(199);
    g.typeScores(all);
    QCOMPARE(g.window.currentRow(), 199);
    g.key(Qt::Key_Home);
    g.window.setTopRow(0);
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "At least one score is missing from the data set.", "Data Entry Error!",
                        MessageIcon::Critical));
    QCOMPARE(g.window.currentRow(), 199);
    QCOMPARE(g.cursorRow(), 199);
    QCOMPARE(g.window.topRow(), 199 - g.window.visibleRows() + 1);
    QVERIFY(g.window.isEnabled());
    QVERIFY(g.view()->hasFocus());
    QVERIFY(s.problem().scores.flat.empty());
    QVERIFY(!g.enabled("AnovaButton"));

    g.type("last");
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QCOMPARE(s.problem().scores.count(), int64_t(200));
}

void DataEntryGridTest::dataOkFillsTheScoreSetInCellOrder()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores(numbered(24, "c"));
    g.doubleClickRow(7);
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    QVERIFY(s.messages.shown.empty());
    const ProblemState &problem = s.problem();
    QCOMPARE(problem.scores.count(), int64_t(24));
    for (int row = 0; row < 24; ++row)
        QCOMPARE(QString::fromStdString(problem.scores.flat[size_t(row)]), "c" + QString::number(row + 1));
    // Cell (Region 2, Age 3, Person 1) stands at 1 + 1 + 2*2 = position 6.
    QCOMPARE(cellPosition(problem.design.levelCounts(), {2, 3, 1}), int64_t(5));
    QCOMPARE(problem.scores.flat[5], std::string("c6"));
    QCOMPARE(problem.dataFileImage.size(), size_t(24));
    QCOMPARE(problem.dataFileImage[7], (DataFileScore{"c8", true}));
    QCOMPARE(problem.dataFileImage[6], (DataFileScore{"c7", false}));
    QVERIFY(!problem.session.notConfirmed);
}

void DataEntryGridTest::dataOkSwitchesTheCommands()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores(numbered(24));
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    for (const char *on : {"CopyItem", "AnovaButton", "PrintItem", "SaveItem", "NewWinwordItem", "ExistingWinwordItem"})
        QVERIFY2(g.enabled(on), on);
    QVERIFY(!g.enabled("PasteItem"));
    QVERIFY(g.button("AnovaButton")->hasFocus());
    QVERIFY(g.window.isEnabled());
}

void DataEntryGridTest::anyEditAfterDataOkRequiresItAgain()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores(numbered(24));
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    QVERIFY(g.enabled("AnovaButton"));
    g.key(Qt::Key_Up);
    QVERIFY(!g.enabled("AnovaButton"));

    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    g.clickRow(4);
    QVERIFY(g.enabled("AnovaButton")); // a click alone changes nothing
    g.doubleClickRow(4);
    QVERIFY(!g.enabled("AnovaButton"));

    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    g.clickRow(4);
    g.key(Qt::Key_Return);
    QVERIFY(!g.enabled("AnovaButton"));
    QVERIFY(!g.enabled("SaveItem"));
    QVERIFY(!g.enabled("PrintItem"));
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

void DataEntryGridTest::restartWithNoScoresAsksNothing()
{
    SurveyGrid s;
    GridDriver g(s);
    QTest::mouseClick(g.button("RestartButton"), Qt::LeftButton);
    QVERIFY(s.messages.shown.empty());
    QVERIFY(!g.window.isVisible());
    QVERIFY(s.opening().isVisible());
    QCOMPARE(s.box("Text1")->text(), QString("2"));
    QCOMPARE(s.box("Text3")->text(), OpeningScreen::genericName(1));
    QCOMPARE(s.box("Text4")->text(), QString());
    QCOMPARE(s.problem().design.problemLabel, std::string());
    QVERIFY(s.button("Command1")->isVisible());

    // The next problem builds its own grid.
    s.confirm({{"Dose", 3}, {"Time", 2}});
    QCOMPARE(g.scores().rowCount(), 6);
    QCOMPARE(g.scores().index(0, 0).data().toString(), QString("Dose"));
}

void DataEntryGridTest::restartWithTypedScoresAsksFirst()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a", "b"});
    s.messages.answers.push_back(MessageAnswer::Cancel);
    QTest::mouseClick(g.button("RestartButton"), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "The data have not been saved in a file.  Do you wish to save the data?",
                        "Restart", MessageIcon::Question, MessageButtons::YesNoCancel));
    QVERIFY(g.window.isVisible());
    QCOMPARE(g.score(1), QString("b"));

    // Choosing to save and then cancelling the save dialog keeps the scores on screen.
    s.messages.answers.push_back(MessageAnswer::Yes);
    QTest::mouseClick(g.button("RestartButton"), Qt::LeftButton);
    QVERIFY(g.window.isVisible());
    QCOMPARE(s.dialogs.requests.size(), size_t(1));
    QCOMPARE(g.score(1), QString("b"));

    s.messages.answers.push_back(MessageAnswer::No);
    QTest::mouseClick(g.button("RestartButton"), Qt::LeftButton);
    QVERIFY(!g.window.isVisible());
    QVERIFY(s.opening().isVisible());
}

void DataEntryGridTest::restartAfterDataOkAsksUnderTheRestartTitle()
{
    SurveyGrid s;
    GridDriver g(s);
    const QString path = s.dir.filePath("survey.dat");
    s.dialogs.answers = {path};
    g.typeScores(numbered(24));
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    s.messages.answers.push_back(MessageAnswer::Yes);
    QTest::mouseClick(g.button("RestartButton"), Qt::LeftButton);
    QCOMPARE(s.messages.last().title, QString("Restart"));
    QCOMPARE(s.dialogs.requests.size(), size_t(1));
    QCOMPARE(s.dialogs.requests[0].title, QString("Save File (As)"));
    QVERIFY(QFile::exists(path));
    QVERIFY(s.opening().isVisible());
    QVERIFY(s.problem().session.notConfirmed);
}

void DataEntryGridTest::closingTheGridGoesThroughTheExitPath()
{
    SurveyGrid s;
    GridDriver g(s);
    g.typeScores({"a"});
    s.messages.answers.push_back(MessageAnswer::Cancel);
    g.window.close();
    QVERIFY(g.window.isVisible());
    QCOMPARE(s.messages.last().title, QString("Exit"));
    QCOMPARE(s.programEnds, 0);

    s.messages.answers.push_back(MessageAnswer::No);
    g.item("ExitItem")->trigger();
    QVERIFY(!g.window.isVisible());
    QVERIFY(s.app->hasExited());
    QCOMPARE(s.programEnds, 1);
}

void DataEntryGridTest::longNamesAreShortenedWhenTheGridIsNarrow()
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

void DataEntryGridTest::largestDesignOpensAndConfirms()
{
    Session s;
    s.describe({{"Subject", 16}, {"Item", 1022}});
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    QApplication::processEvents();
    const qint64 openMs = timer.elapsed();
    GridDriver g(s);
    QCOMPARE(g.scores().rowCount(), 16352);
    QCOMPARE(g.scores().index(16351, 3).data().toString(), QString("1022"));
    for (int row = 0; row < 16352; ++row)
        g.scores().setScoreText(row, QString::number(row % 7));
    g.key(Qt::Key_End);
    g.key(Qt::Key_Return);
    timer.restart();
    QTest::mouseClick(g.button("DataOkButton"), Qt::LeftButton);
    const qint64 confirmMs = timer.elapsed();
    QVERIFY(s.messages.shown.empty());
    QCOMPARE(s.problem().scores.count(), int64_t(16352));
    QCOMPARE(s.problem().scores.flat[16351], std::string("6"));
    qDebug("16352 scores: grid opened in %lld ms, Data OK in %lld ms", openMs, confirmMs);
}

QTEST_MAIN(DataEntryGridTest)
#include "DataEntryGridTest.moc"
