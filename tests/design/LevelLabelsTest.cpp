// The "Labels for Levels" window: reached from the opening screen with the labels preference on,
// its two prompt forms, the two-character limit, cell indices, the duplicate check with the
// correction of one factor, "&Start Over", "&Cancel", and the labels arriving in the grid.

#include "TestSupport.h"

using namespace kelsim;
using namespace kelsim::test;

namespace {

struct LabelsWindow {
    explicit LabelsWindow(Session &s) : window(s.app->levelLabelsWindow())
    {
        QApplication::setActiveWindow(&window); // what the window manager does for a new window
    }
    QLineEdit *box() { return child<QLineEdit>(&window, "Text1"); }
    QLabel *prompt() { return child<QLabel>(&window, "Label1"); }
    QPushButton *button(const char *name) { return child<QPushButton>(&window, name); }
    // Types a label and presses Enter, which presses "OK".
    void enter(const QString &label)
    {
        QTest::keyClicks(box(), label);
        QTest::keyClick(box(), Qt::Key_Return);
    }
    LevelLabelsWindow &window;
};

std::string label(Session &s, int factor, int level)
{
    return s.problem().design.levelLabels.at(size_t(factor - 1)).at(size_t(level - 1));
}

} // namespace

class LevelLabelsTest : public QObject {
    Q_OBJECT

  private slots:
    void confirmingWithTheLabelsPreferenceOpensTheWindow();
    void promptsUseTheQuestionThenTheRequestForm();
    void aThirdCharacterIsRefusedAtOnce();
    void aCommaIsRefusedInALabel();
    void anEmptyLabelIsRequestedAgain();
    void labellingEveryLevelReachesTheFinishedState();
    void finishedReturnsToTheOpeningScreenToProceed();
    void labelsReplaceLevelNumbersInTheGrid();
    void cellIndicesNumberTheCurrentFactor();
    void cellIndicesOnTheLastFactorFinish();
    void labelsDifferingOnlyInCaseAreDifferent();
    void duplicateLabelsAreCorrectedForThatFactorOnly();
    void startOverBeginsAgainAtFactorOneLevelOne();
    void cancelTurnsLabelsOffForThisProblem();
};

void LevelLabelsTest::confirmingWithTheLabelsPreferenceOpensTheWindow()
{
    Session s(true);
    QCOMPARE(s.button("Command2")->text(), QString("Yes, Enter &Labels for Levels..."));
    QVERIFY(s.item("LabelsItem")->isChecked());
    QVERIFY(s.problem().labelsInUse);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    QVERIFY(w.window.isVisible());
    QVERIFY(!s.opening().isVisible());
    QCOMPARE(w.window.windowTitle(), QString("Labels for Levels"));
    QCOMPARE(child<QLabel>(&w.window, "Label2")->text(),
             QString("Note:  A level label may consist of one or two characters."));
    QCOMPARE(w.button("OKButton")->text(), QString("OK"));
    QCOMPARE(w.button("Skipbutton")->text(), QString("Use Cell &Indices For This Factor"));
    QCOMPARE(w.button("RestartButton")->text(), QString("&Start Over"));
    QCOMPARE(w.button("FinishedButton")->text(), QString("&Finished"));
    QCOMPARE(w.button("CancelButton")->text(), QString("&Cancel"));
    QVERIFY(!w.button("FinishedButton")->isEnabled());
    QCOMPARE(s.button("Command2")->text(), QString("&Proceed to Data Entry"));
    QCOMPARE(s.problem().design.levelLabels.size(), size_t(2));
    QCOMPARE(s.problem().design.levelLabels[1].size(), size_t(3));
}

void LevelLabelsTest::promptsUseTheQuestionThenTheRequestForm()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    QCOMPARE(w.prompt()->text(), QString("For Factor  1, Region, what is the label for level  1?"));
    w.enter("N");
    QCOMPARE(w.prompt()->text(), QString("Please enter a label for Factor 1, Region, Level  2."));
    QCOMPARE(w.box()->text(), QString());
    w.enter("S");
    QCOMPARE(w.prompt()->text(), QString("Please enter a label for Factor 2, Age, Level  1."));
    QCOMPARE(w.window.currentFactor(), 2);
    QCOMPARE(w.window.currentLevel(), 1);
}

void LevelLabelsTest::aThirdCharacterIsRefusedAtOnce()
{
    Session s(true);
    s.confirm({{"Dose", 2}, {"Time", 2}});
    LabelsWindow w(s);
    QTest::keyClicks(w.box(), "10");
    QVERIFY(s.messages.shown.empty());
    QTest::keyClicks(w.box(), "0");
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "The length of a label is limited to two characters.", "Label Error!",
                        MessageIcon::Critical));
    QCOMPARE(w.box()->text(), QString());
    QVERIFY(w.box()->hasFocus());
    w.enter("10");
    QCOMPARE(label(s, 1, 1), std::string("10"));
}

void LevelLabelsTest::aCommaIsRefusedInALabel()
{
    Session s(true);
    s.confirm({{"Dose", 2}, {"Time", 2}});
    LabelsWindow w(s);
    QTest::keyClicks(w.box(), "a,");
    QVERIFY(sameMessage(s.messages.last(), "A level label cannot contain a comma.  Please use another character.",
                        "Label Error!", MessageIcon::Critical));
    QCOMPARE(w.box()->text(), QString("a"));
}

void LevelLabelsTest::anEmptyLabelIsRequestedAgain()
{
    Session s(true);
    s.confirm({{"Dose", 2}, {"Time", 2}});
    LabelsWindow w(s);
    w.enter("lo");
    QTest::keyClick(w.box(), Qt::Key_Return);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "Please enter a label for Factor 1, Dose, Level  2.", "Value Missing!",
                        MessageIcon::Critical));
    QCOMPARE(w.window.currentLevel(), 2);
    QVERIFY(w.box()->hasFocus());
}

void LevelLabelsTest::labellingEveryLevelReachesTheFinishedState()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    for (const char *text : {"N", "S", "y", "m", "o"})
        w.enter(text);
    QCOMPARE(w.prompt()->text(), QString());
    QVERIFY(w.button("FinishedButton")->isEnabled());
    QVERIFY(w.button("FinishedButton")->hasFocus());
    QVERIFY(!w.button("OKButton")->isEnabled());
    QVERIFY(!w.button("Skipbutton")->isEnabled());
    QVERIFY(!w.box()->isEnabled());
    QCOMPARE(label(s, 1, 2), std::string("S"));
    QCOMPARE(label(s, 2, 3), std::string("o"));
}

void LevelLabelsTest::finishedReturnsToTheOpeningScreenToProceed()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 2}});
    LabelsWindow w(s);
    for (const char *text : {"N", "S", "y", "o"})
        w.enter(text);
    QTest::mouseClick(w.button("FinishedButton"), Qt::LeftButton);
    QVERIFY(s.messages.shown.empty());
    QVERIFY(!w.window.isVisible());
    QVERIFY(s.opening().isVisible());
    QCOMPARE(s.button("Command2")->text(), QString("&Proceed to Data Entry"));
    QVERIFY(s.button("Command2")->isVisible());
    QVERIFY(!s.button("Command3")->isVisible());
    QVERIFY(s.button("StartOverButton")->isVisible());
    QVERIFY(!s.label("Label4")->isVisible());
    // The names are settled once the labels were asked for them.
    QVERIFY(!s.box("Text3")->isEnabled());

    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    QVERIFY(s.grid().isVisible());
    QVERIFY(!s.opening().isVisible());
}

void LevelLabelsTest::labelsReplaceLevelNumbersInTheGrid()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    for (const char *text : {"N", "S", "y", "m", "o"})
        w.enter(text);
    QTest::mouseClick(w.button("FinishedButton"), Qt::LeftButton);
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    ScoreGridModel &scores = s.grid().scores();
    const QStringList regions = {"N", "S", "N", "S", "N", "S"};
    const QStringList ages = {"y", "y", "m", "m", "o", "o"};
    for (int row = 0; row < 6; ++row) {
        QCOMPARE(scores.index(row, 1).data().toString(), regions[row]);
        QCOMPARE(scores.index(row, 3).data().toString(), ages[row]);
    }
}

void LevelLabelsTest::cellIndicesNumberTheCurrentFactor()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    w.enter("x"); // level 1 of Region, overwritten by the indices
    QTest::mouseClick(w.button("Skipbutton"), Qt::LeftButton);
    QCOMPARE(label(s, 1, 1), std::string("1"));
    QCOMPARE(label(s, 1, 2), std::string("2"));
    QCOMPARE(w.window.currentFactor(), 2);
    QCOMPARE(w.window.currentLevel(), 1);
    QCOMPARE(w.prompt()->text(), QString("Please enter a label for Factor 2, Age, Level  1."));
    QVERIFY(w.box()->hasFocus());
    QVERIFY(!w.button("FinishedButton")->isEnabled());
}

void LevelLabelsTest::cellIndicesOnTheLastFactorFinish()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    w.enter("N");
    w.enter("S");
    QTest::mouseClick(w.button("Skipbutton"), Qt::LeftButton);
    QCOMPARE(label(s, 2, 3), std::string("3"));
    QVERIFY(w.button("FinishedButton")->isEnabled());
    QVERIFY(!w.box()->isEnabled());
    QCOMPARE(w.prompt()->text(), QString());
}

void LevelLabelsTest::labelsDifferingOnlyInCaseAreDifferent()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 2}});
    LabelsWindow w(s);
    for (const char *text : {"a", "A", "a", "A"}) // the same labels in both factors
        w.enter(text);
    QTest::mouseClick(w.button("FinishedButton"), Qt::LeftButton);
    QVERIFY(s.messages.shown.empty());
    QVERIFY(s.opening().isVisible());
}

void LevelLabelsTest::duplicateLabelsAreCorrectedForThatFactorOnly()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}, {"Sex", 2}});
    LabelsWindow w(s);
    for (const char *text : {"N", "S", "y", "m", "y", "F", "M"})
        w.enter(text);
    QTest::mouseClick(w.button("FinishedButton"), Qt::LeftButton);

    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(),
                        "Two or more of the levels for Factor  2, Age, have the same label.  Please correct.", "Error",
                        MessageIcon::Exclamation));
    QVERIFY(w.window.isVisible());
    QCOMPARE(w.prompt()->text(), QString("For Factor  2, Age, what is the label for level  1?"));
    QCOMPARE(w.box()->text(), QString("y"));
    QVERIFY(w.box()->isEnabled());
    QVERIFY(w.box()->hasFocus());
    QVERIFY(w.button("OKButton")->isEnabled());
    QVERIFY(!w.button("FinishedButton")->isEnabled());
    QCOMPARE(w.window.correctingFactor(), 2);

    QTest::keyClick(w.box(), Qt::Key_Return); // keeps "y"
    QCOMPARE(w.prompt()->text(), QString("Please enter a label for Factor 2, Age, Level  2."));
    w.enter("m");
    w.enter("o");
    // Factor 3 is not asked again.
    QVERIFY(w.button("FinishedButton")->isEnabled());
    QCOMPARE(w.window.correctingFactor(), 0);
    QCOMPARE(label(s, 3, 1), std::string("F"));
    QTest::mouseClick(w.button("FinishedButton"), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(s.opening().isVisible());
    QCOMPARE(label(s, 2, 3), std::string("o"));
}

void LevelLabelsTest::startOverBeginsAgainAtFactorOneLevelOne()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 2}});
    LabelsWindow w(s);
    for (const char *text : {"N", "S", "y", "o"})
        w.enter(text);
    QTest::mouseClick(w.button("RestartButton"), Qt::LeftButton);
    QCOMPARE(w.window.currentFactor(), 1);
    QCOMPARE(w.window.currentLevel(), 1);
    QCOMPARE(w.prompt()->text(), QString("Please enter a label for Factor 1, Region, Level  1."));
    QVERIFY(w.box()->isEnabled());
    QVERIFY(w.button("OKButton")->isEnabled());
    QVERIFY(w.button("Skipbutton")->isEnabled());
    QVERIFY(!w.button("FinishedButton")->isEnabled());
    w.enter("E");
    QCOMPARE(label(s, 1, 1), std::string("E"));
}

void LevelLabelsTest::cancelTurnsLabelsOffForThisProblem()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    w.enter("N");
    QTest::mouseClick(w.button("CancelButton"), Qt::LeftButton);
    QVERIFY(!w.window.isVisible());
    QVERIFY(s.opening().isVisible());
    QVERIFY(!s.problem().labelsInUse);
    QVERIFY(s.app->preferences().useLevelLabels);
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    QCOMPARE(s.grid().scores().index(1, 1).data().toString(), QString("2"));
    QCOMPARE(s.grid().scores().index(2, 3).data().toString(), QString("2"));
}

QTEST_MAIN(LevelLabelsTest)
#include "LevelLabelsTest.moc"
