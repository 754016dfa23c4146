// The "Labels for Levels" window: reached from the opening screen with the labels preference on,
// its two prompt forms, the two-character limit, cell indices, the duplicate check with the
// correction of one factor, "&Start Over", "&Cancel", the labels arriving in the grid, and the
// window's size with a long factor name.

#include "TestSupport.h"

#include "WindowPlacement.h"

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
    void enterAll(std::initializer_list<const char *> labels)
    {
        for (const char *label : labels)
            enter(label);
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
    void promptsUseTheQuestionThenTheRequestFormAndAskAgainForAnEmptyLabel();
    void labelsRefuseWhatTheyCannotHold_data();
    void labelsRefuseWhatTheyCannotHold();
    void finishedLabelsReplaceLevelNumbersInTheGrid();
    void cellIndicesNumberTheCurrentFactor();
    void duplicateLabelsAreCorrectedForThatFactorOnly();
    void startOverBeginsAgainAtFactorOneLevelOne();
    void cancelTurnsLabelsOffForThisProblem();
    void aLongNameWrapsInAWindowThatFitsTheScreen();
};

void LevelLabelsTest::promptsUseTheQuestionThenTheRequestFormAndAskAgainForAnEmptyLabel()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    QVERIFY(w.window.isVisible());
    QVERIFY(!s.opening().isVisible());
    QVERIFY(!w.button("FinishedButton")->isEnabled());
    QCOMPARE(w.prompt()->text(), QString("For Factor  1, Region, what is the label for level  1?"));
    w.enter("N");
    QCOMPARE(w.prompt()->text(), QString("Please enter a label for Factor 1, Region, Level  2."));
    QCOMPARE(w.box()->text(), QString());
    QTest::keyClick(w.box(), Qt::Key_Return);
    QVERIFY(sameMessage(s.messages.last(), "Please enter a label for Factor 1, Region, Level  2.", "Value Missing!",
                        MessageIcon::Critical));
    QVERIFY(w.box()->hasFocus());
    w.enter("S");
    QCOMPARE(w.prompt()->text(), QString("Please enter a label for Factor 2, Age, Level  1."));
}

void LevelLabelsTest::labelsRefuseWhatTheyCannotHold_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("message");
    QTest::newRow("two characters") << "10"
                                    << "10" << QString();
    QTest::newRow("a third character") << "100" << QString() << "The length of a label is limited to two characters.";
    QTest::newRow("a comma") << "a,"
                             << "a"
                             << "A level label cannot contain a comma.  Please use another character.";
}

void LevelLabelsTest::labelsRefuseWhatTheyCannotHold()
{
    QFETCH(QString, typed);
    QFETCH(QString, left);
    QFETCH(QString, message);
    Session s(true);
    s.confirm({{"Dose", 2}, {"Time", 2}});
    LabelsWindow w(s);
    QTest::keyClicks(w.box(), typed);
    QCOMPARE(w.box()->text(), left);
    QCOMPARE(s.messages.shown.size(), size_t(message.isEmpty() ? 0 : 1));
    if (!message.isEmpty())
        QVERIFY(sameMessage(s.messages.last(), message, "Label Error!", MessageIcon::Critical));
    QVERIFY(w.box()->hasFocus());
}

void LevelLabelsTest::finishedLabelsReplaceLevelNumbersInTheGrid()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    w.enterAll({"N", "S", "y", "m", "o"});
    QCOMPARE(w.prompt()->text(), QString());
    QVERIFY(w.button("FinishedButton")->hasFocus());
    QVERIFY(!w.button("OKButton")->isEnabled());
    QVERIFY(!w.box()->isEnabled());
    QTest::keyClick(w.button("FinishedButton"), Qt::Key_Return);
    QVERIFY(s.messages.shown.empty());
    QVERIFY(!w.window.isVisible());
    QVERIFY(s.opening().isVisible());
    QCOMPARE(s.button("Command2")->text(), QString("&Proceed to Data Entry"));
    // The names are settled once the labels were asked for them.
    QVERIFY(!s.box("Text3")->isEnabled());
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    QCOMPARE(s.grid().scores().index(4, 3).data().toString(), QString("o"));
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
    QCOMPARE(w.prompt()->text(), QString("Please enter a label for Factor 2, Age, Level  1."));
    QVERIFY(w.box()->hasFocus());
    // On the last factor they lead straight to the finished state.
    QTest::mouseClick(w.button("Skipbutton"), Qt::LeftButton);
    QCOMPARE(label(s, 2, 3), std::string("3"));
    QVERIFY(w.button("FinishedButton")->isEnabled());
    QVERIFY(!w.box()->isEnabled());
}

void LevelLabelsTest::duplicateLabelsAreCorrectedForThatFactorOnly()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}, {"Sex", 2}});
    LabelsWindow w(s);
    // Labels differing only in case differ; uniqueness is asked within a factor only.
    w.enterAll({"a", "A", "y", "m", "y", "a", "A"});
    QTest::mouseClick(w.button("FinishedButton"), Qt::LeftButton);
    QVERIFY(sameMessage(s.messages.last(),
                        "Two or more of the levels for Factor  2, Age, have the same label.  Please correct.", "Error",
                        MessageIcon::Exclamation));
    QCOMPARE(w.prompt()->text(), QString("For Factor  2, Age, what is the label for level  1?"));
    QCOMPARE(w.box()->text(), QString("y"));
    QVERIFY(w.box()->hasFocus());
    QVERIFY(!w.button("FinishedButton")->isEnabled());

    QTest::keyClick(w.box(), Qt::Key_Return); // keeps "y"
    w.enterAll({"m", "o"});
    // Factor 3 is not asked again.
    QVERIFY(w.button("FinishedButton")->isEnabled());
    QTest::mouseClick(w.button("FinishedButton"), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(s.opening().isVisible());
    QCOMPARE(label(s, 2, 3), std::string("o"));
    QCOMPARE(label(s, 3, 2), std::string("A"));
}

void LevelLabelsTest::startOverBeginsAgainAtFactorOneLevelOne()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 2}});
    LabelsWindow w(s);
    w.enterAll({"N", "S", "y", "o"});
    QTest::mouseClick(w.button("RestartButton"), Qt::LeftButton);
    QCOMPARE(w.prompt()->text(), QString("Please enter a label for Factor 1, Region, Level  1."));
    QVERIFY(w.box()->isEnabled() && !w.button("FinishedButton")->isEnabled());
    w.enter("E");
    QCOMPARE(label(s, 1, 1), std::string("E"));
}

void LevelLabelsTest::cancelTurnsLabelsOffForThisProblem()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LabelsWindow w(s);
    w.enter("N");
    QTest::keyClick(&w.window, Qt::Key_Escape);
    QVERIFY(!w.window.isVisible());
    QVERIFY(s.opening().isVisible());
    QVERIFY(!s.problem().labelsInUse);
    QVERIFY(s.app->preferences().useLevelLabels);
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    QCOMPARE(s.grid().scores().index(1, 1).data().toString(), QString("2"));
}

void LevelLabelsTest::aLongNameWrapsInAWindowThatFitsTheScreen()
{
    Session s(true);
    s.confirm({{QString(330, 'L'), 2}, {"Age", 2}});
    LabelsWindow w(s);
    const QRect area = availableArea(&w.window);
    QVERIFY(w.window.minimumSizeHint().width() <= area.width());
    QVERIFY(area.contains(w.window.frameGeometry()));
    QVERIFY((w.window.frameGeometry().center() - area.center()).manhattanLength() <= 40);
    QVERIFY(w.prompt()->text().contains(QString(330, 'L')));
    const int longHeight = w.window.height();

    // The next problem's window is as small as its own prompt allows.
    QTest::mouseClick(w.button("CancelButton"), Qt::LeftButton);
    QTest::mouseClick(s.button("StartOverButton"), Qt::LeftButton);
    s.confirm({{"Dose", 2}, {"Age", 2}});
    QVERIFY(w.window.isVisible());
    QVERIFY(w.window.height() < longHeight);
}

QTEST_MAIN(LevelLabelsTest)
#include "LevelLabelsTest.moc"
