// The opening screen driven as a user drives it: the count, level and name boxes with their key
// filters, the keyboard road from box to box, "&OK" through the factors, the confirmation and its
// refusals, "&No, Adjust...", "&Start Over", and the access keys of the entry windows.

#include "TestSupport.h"

#include "AccessKeys.h"
#include "ContextHelp.h"
#include "IterationsDialog.h"
#include "OpeningScreen.h"
#include "UpDownButtons.h"
#include "WindowPlacement.h"

#include <QClipboard>
#include <QToolButton>

using namespace kelsim;
using namespace kelsim::test;
using kelsim::testing::accessKeyClashes;

class OpeningScreenTest : public QObject {
    Q_OBJECT

  private slots:
    void numberBoxesTakeDigitsAndTheirShortcuts_data();
    void numberBoxesTakeDigitsAndTheirShortcuts();
    void enterLeadsFromBoxToBoxAndTypingReplaces();
    void eachFactorCountGivesFreshGenericFactors();
    void nameBoxRefusesWhatANameCannotHold_data();
    void nameBoxRefusesWhatANameCannotHold();
    void okWalksThroughTheFactorsThenAsksForConfirmation();
    void designsAboveTheScoreLimitAreRefusedAndStartOver();
    void adjustReturnsToFactorOneKeepingTheValues();
    void emptyNameIsRefusedAtConfirmation();
    void sameFirstLettersAreRefusedIgnoringCase();
    void confirmationWritesTheDesignAndOpensTheGrid();
    void startOverRestoresTheStartUpState();
    void accessKeysAreUniqueInEachEntryWindow();
};

void OpeningScreenTest::numberBoxesTakeDigitsAndTheirShortcuts_data()
{
    // Each row types "4" and then a key, or selects, copies and pastes the clipboard over it.
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("refused");
    QTest::newRow("a point") << "Text1"
                             << "." << QString() << "4." << false;
    QTest::newRow("a letter empties the box") << "Text2"
                                              << "x" << QString() << QString() << true;
    QTest::newRow("a pasted number") << "Text2" << QString() << "12"
                                     << "12" << false;
    QTest::newRow("pasted letters are refused") << "Text1" << QString() << "ab"
                                                << "4" << true;
}

void OpeningScreenTest::numberBoxesTakeDigitsAndTheirShortcuts()
{
    QFETCH(QString, box);
    QFETCH(QString, key);
    QFETCH(QString, clipboard);
    QFETCH(QString, text);
    QFETCH(bool, refused);
    Session s;
    QLineEdit *edit = s.box(qPrintable(box));
    Session::clickAndType(edit, "4" + key);
    if (!clipboard.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("4"));
        QApplication::clipboard()->setText(clipboard);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    }
    QCOMPARE(edit->text(), text);
    QCOMPARE(s.messages.shown.size(), size_t(refused ? 1 : 0));
    if (refused)
        QVERIFY(sameMessage(s.messages.last(), "Only numeric characters are permitted here", "Error!",
                            MessageIcon::Critical));
}

void OpeningScreenTest::enterLeadsFromBoxToBoxAndTypingReplaces()
{
    Session s;
    QLineEdit *count = s.box("Text1");
    QTest::mouseClick(count, Qt::LeftButton);
    QTest::keyClick(count, Qt::Key_Return);
    QVERIFY(sameMessage(s.messages.last(), "Please enter a number", "Error!", MessageIcon::Critical));
    QVERIFY(count->hasFocus());
    s.messages.clear();

    QTest::keyClicks(count, "3");
    QTest::keyClick(count, Qt::Key_Return);
    QVERIFY(s.box("Text2")->hasFocus());
    QApplication::processEvents();
    QTest::keyClicks(s.box("Text2"), "6");
    QCOMPARE(s.opening().factorLevels(1), 6);
    QTest::keyClick(s.box("Text2"), Qt::Key_Return);
    QVERIFY(s.box("Text3")->hasFocus());
    QApplication::processEvents();
    QTest::keyClicks(s.box("Text3"), "Dose");
    QTest::keyClick(s.box("Text3"), Qt::Key_Return); // presses "&OK"
    QCOMPARE(s.opening().factorName(1), QString("Dose"));
    QCOMPARE(s.opening().currentFactor(), 2);
    QVERIFY(s.box("Text2")->hasFocus());
    QVERIFY(s.messages.shown.empty());
}

void OpeningScreenTest::eachFactorCountGivesFreshGenericFactors()
{
    Session s;
    Session::clickAndType(s.box("Text2"), "5");
    Session::clickAndType(s.box("Text3"), "Age");
    for (const char *count : {"1", "0", ""}) {
        Session::clickAndType(s.box("Text1"), count);
        QVERIFY2(!s.button("Command1")->isEnabled(), count);
        QVERIFY(!s.box("Text2")->isEnabled());
    }
    QVERIFY(s.messages.shown.empty());
    Session::clickAndType(s.box("Text1"), "3");
    QVERIFY(s.box("Text2")->isEnabled());
    QCOMPARE(s.opening().factorCount(), 3);
    QCOMPARE(s.opening().factorLevels(1), 2);
    QCOMPARE(s.box("Text3")->text(), OpeningScreen::genericName(1));
    QCOMPARE(s.opening().factorName(3), OpeningScreen::genericName(3));

    Session::clickAndType(s.box("Text1"), "7");
    QVERIFY(sameMessage(s.messages.last(), "Sorry, the program only accommodates 6 factors.", "Program Limitation",
                        MessageIcon::Exclamation));
    QCOMPARE(s.box("Text1")->text(), QString("2"));
    QCOMPARE(s.opening().factorCount(), 2);
}

void OpeningScreenTest::nameBoxRefusesWhatANameCannotHold_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("factorAfterOk");
    QTest::newRow("a digit first: only it is lost") << "1st"
                                                    << "st"
                                                    << "The factor name must begin with an alphabetic character!" << 2;
    QTest::newRow("a comma") << "Dose,mg"
                             << "Dosemg"
                             << "A factor name cannot contain a comma.  Please use another character." << 2;
    QTest::newRow("lower case is fine") << "dose"
                                        << "dose" << QString() << 2;
    // A double quote passes the box, but not "&OK".
    QTest::newRow("a quote first") << "\"Dose\""
                                   << "\"Dose\""
                                   << "The first character of the factor name must be a letter" << 1;
}

void OpeningScreenTest::nameBoxRefusesWhatANameCannotHold()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    QFETCH(int, factorAfterOk);
    Session s;
    Session::clickAndType(s.box("Text3"), typed);
    QCOMPARE(s.box("Text3")->text(), shown);
    QCOMPARE(s.box("Text3")->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(s.opening().factorName(1), shown.left(1).toUpper() + shown.mid(1));
    s.messages.answers = {MessageAnswer::Cancel};
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QCOMPARE(s.opening().currentFactor(), factorAfterOk);
    QCOMPARE(s.messages.shown.size(), size_t(message.isEmpty() ? 0 : 1));
    if (!message.isEmpty())
        QCOMPARE(s.messages.last().text, message);
}

void OpeningScreenTest::okWalksThroughTheFactorsThenAsksForConfirmation()
{
    Session s;
    QVERIFY(s.item("LabelsItem")->isEnabled());
    s.describe({{"Region", 2}, {"Age", 3}, {QString(), 4}});
    QVERIFY(s.messages.shown.empty());
    QVERIFY(!s.item("LabelsItem")->isEnabled());
    QCOMPARE(s.label("Label4")->text(), QString("The program is expecting 24 scores.  Is that correct?"));
    QVERIFY(!s.box("Text1")->isEnabled() && !s.box("Text2")->isEnabled());
    QVERIFY(!s.button("Command1")->isVisible() && !s.button("StartOverButton")->isVisible());
    QVERIFY(s.button("Command2")->hasFocus());
}

void OpeningScreenTest::designsAboveTheScoreLimitAreRefusedAndStartOver()
{
    Session s;
    s.describe({{"Alpha", 16}, {"Beta", 1022}});
    QCOMPARE(s.label("Label4")->text(), QString("The program is expecting 16352 scores.  Is that correct?"));
    QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
    s.describe({{"Alpha", 2}, {"Beta", 2}, {"Gamma", 4096}});
    QVERIFY(sameMessage(s.messages.last(),
                        "You have specified 16384 scores, but the maximum allowed by the program is 16352 scores.",
                        "Program Limitation!", MessageIcon::Critical));
    QCOMPARE(s.opening().factorCount(), 2);
    QVERIFY(s.button("Command1")->isVisible() && !s.label("Label4")->isVisible());
}

void OpeningScreenTest::adjustReturnsToFactorOneKeepingTheValues()
{
    Session s;
    s.describe({{"Region", 2}, {"Age", 3}});
    QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
    QCOMPARE(s.opening().currentFactor(), 1);
    QCOMPARE(s.box("Text3")->text(), QString("Region"));
    QVERIFY(s.button("Command1")->isVisible() && !s.button("Command2")->isVisible());
    QVERIFY(s.box("Text1")->isEnabled() && s.box("Text2")->isEnabled());
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QCOMPARE(s.box("Text3")->text(), QString("Age"));
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QCOMPARE(s.label("Label4")->text(), QString("The program is expecting 6 scores.  Is that correct?"));
}

void OpeningScreenTest::emptyNameIsRefusedAtConfirmation()
{
    Session s;
    Session::clickAndType(s.box("Text1"), "3");
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QTest::mouseClick(s.box("Text3"), Qt::LeftButton); // factor 2: empties the name
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    QVERIFY(sameMessage(s.messages.last(), "Please enter a name for Factor 2", "Error", MessageIcon::Exclamation));
    QCOMPARE(s.opening().currentFactor(), 2);
    QVERIFY(s.box("Text3")->hasFocus());
    QVERIFY(s.button("Command1")->isVisible() && !s.label("Label4")->isVisible());
    QTest::keyClicks(s.box("Text3"), "Dose");
    for (const char *button : {"Command1", "Command1", "Command2"})
        QTest::mouseClick(s.button(button), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(s.grid().isVisible());
}

void OpeningScreenTest::sameFirstLettersAreRefusedIgnoringCase()
{
    Session s;
    s.confirm({{"Age", 2}, {"Time", 2}, {"appetite", 2}});
    QVERIFY(sameMessage(s.messages.last(),
                        "The program requires the first letter of all factor names to be unique.  Please change the "
                        "name of either Age or Appetite.",
                        "Change required!", MessageIcon::Critical));
    QCOMPARE(s.opening().currentFactor(), 1);
    QCOMPARE(s.box("Text3")->text(), QString("Age"));
    QVERIFY(!s.app->hasDataEntryGrid());
}

void OpeningScreenTest::confirmationWritesTheDesignAndOpensTheGrid()
{
    Session s;
    s.confirm({{QString(), 2}, {"time", 3}, {"Person", 4}}, "Survey");
    QVERIFY(s.messages.shown.empty());
    const Design &design = s.problem().design;
    // A generic name left as it was becomes its letter.
    QCOMPARE(design.factors[0].name, std::string("A"));
    QCOMPARE(design.factors[1].name, std::string("Time"));
    QCOMPARE(design.levelCounts(), (std::vector<int>{2, 3, 4}));
    QCOMPARE(design.maxLevels(), 4);
    QCOMPARE(design.problemLabel, std::string("Survey"));
    QVERIFY(!s.opening().isVisible());
    QVERIFY(s.grid().isVisible());
}

void OpeningScreenTest::startOverRestoresTheStartUpState()
{
    Session s;
    Session::clickAndType(s.box("Text1"), "3");
    Session::clickAndType(s.box("Text2"), "5");
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    s.problem().design.nested = true;
    QTest::mouseClick(s.button("StartOverButton"), Qt::LeftButton);
    QCOMPARE(s.opening().currentFactor(), 1);
    QCOMPARE(s.box("Text1")->text(), QString("2"));
    QVERIFY(s.box("Text1")->isEnabled());
    QCOMPARE(s.opening().factorLevels(1), 2);
    QCOMPARE(s.box("Text3")->text(), OpeningScreen::genericName(1));
    QVERIFY(!s.problem().design.nested);
    QVERIFY(s.item("LabelsItem")->isEnabled());
    // The count box's own reset must not swallow the user's next change.
    QTest::mouseClick(child<UpDownButtons>(&s.opening(), "UpDown1")->upButton(), Qt::LeftButton);
    QCOMPARE(s.opening().factorCount(), 3);
}

void OpeningScreenTest::accessKeysAreUniqueInEachEntryWindow()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    for (QWidget *window : std::initializer_list<QWidget *>{&s.opening(), &s.app->levelLabelsWindow(), &s.grid(),
                                                            &s.opening().iterationsDialog()})
        QCOMPARE(accessKeyClashes(window), QStringList());
}

QTEST_MAIN(OpeningScreenTest)
#include "OpeningScreenTest.moc"
