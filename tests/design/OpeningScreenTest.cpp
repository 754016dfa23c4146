// The opening screen driven as a user drives it: the count, level and name boxes with their key
// filters and messages, "&OK" through the factors, the confirmation and its refusals, "&No,
// Adjust...", "&Start Over", and the help menu's own messages.

#include "TestSupport.h"

#include "AboutDialog.h"
#include "ContextHelp.h"
#include "Version.h"
#include "OpeningScreen.h"
#include "Preferences.h"
#include "ProblemState.h"
#include "UpDownButtons.h"

#include <QSignalSpy>
#include <QToolButton>

using namespace kelsim;
using namespace kelsim::test;

class OpeningScreenTest : public QObject {
    Q_OBJECT

  private slots:
    void startsWithTwoFactorsOfTwoLevelsAndGenericNames();
    void countBoxRefusesEveryKeyButDigitsPointAndBackspace();
    void enterOnAnEmptyCountAsksForANumber();
    void enterOnACountMovesToTheLevelsBox();
    void countBelowTwoDisablesOkAndTheLevelsBox();
    void countAboveSixIsRefusedAndSetBackToTwo();
    void spinnerStepsTheCountWithinTwoToSix();
    void changingTheCountGivesFreshGenericFactors();
    void levelsBoxIsRewrittenWithoutLeadingZeros();
    void levelsBelowTwoDisableOk();
    void levelsBoxRefusesLetters();
    void nameMustBeginWithALetterOrQuote();
    void nameWithACommaIsRefusedWhereTyped();
    void clickingTheNameBoxEmptiesItAndDrawsItBlack();
    void quotedNamePassesTheBoxButNotOk();
    void okWalksThroughTheFactorsThenAsksForConfirmation();
    void labelsItemIsDisabledFromTheFirstOkUntilStartOver();
    void designsAboveTheScoreLimitAreRefusedAndStartOver();
    void designOfExactlyTheScoreLimitIsAccepted();
    void adjustReturnsToFactorOneKeepingTheValues();
    void genericNamesBecomeTheirLetters();
    void emptyNameIsRefusedAtConfirmation();
    void sameFirstLettersAreRefusedIgnoringCase();
    void confirmationWritesTheDesignAndOpensTheGrid();
    void confirmationAsksForTheLabelsThenForTheGridOnItsOwn();
    void startOverRestoresTheStartUpState();
    void purposeAndAboutShowTheirTexts();
    void rightClickShowsContextHelp();
};

void OpeningScreenTest::startsWithTwoFactorsOfTwoLevelsAndGenericNames()
{
    Session s;
    QCOMPARE(s.opening().windowTitle(), QString("Kelsim"));
    QVERIFY(s.opening().isVisible());
    QCOMPARE(s.box("Text1")->text(), QString("2"));
    QCOMPARE(s.box("Text2")->text(), QString("2"));
    QCOMPARE(s.box("Text3")->text(), QString("A   (Click here to replace this generic factor name)"));
    QCOMPARE(s.box("Text3")->palette().color(QPalette::Text), QColor(255, 0, 0));
    QCOMPARE(s.box("Text4")->text(), QString());
    QCOMPARE(s.label("Label3")->text(), QString("How many levels are there in Factor 1?"));
    QCOMPARE(s.label("Label5")->text(), QString("What name do you want to assign to Factor 1?"));
    QCOMPARE(s.label("Label6")->text(), QString("(Note:  the factor cycling fastest is Factor 1)"));
    QCOMPARE(s.label("Label1")->text(), QString("How many factors are there in the design?"));
    QCOMPARE(s.label("Label2")->text(), QString("(Include Subjects and Replicates as applicable)"));
    QCOMPARE(s.label("Label7")->text(), QString("Problem Label (Optional): "));
    QVERIFY(s.label("Label6")->isVisible());
    QVERIFY(!s.label("Label4")->isVisible());
    QVERIFY(s.button("Command1")->isVisible());
    QCOMPARE(s.button("Command1")->text(), QString("&OK"));
    QVERIFY(!s.button("Command2")->isVisible());
    QVERIFY(!s.button("Command3")->isVisible());
    QCOMPARE(s.button("StartOverButton")->text(), QString("&Start Over"));
    QCOMPARE(s.button("Command2")->text(), QString("&Yes, Proceed to Data Entry"));
    QCOMPARE(s.opening().currentFactor(), 1);
    QCOMPARE(s.problem().run.iterations, 100000);
    QVERIFY(!s.item("LabelsItem")->isChecked());
    QVERIFY(!s.problem().labelsInUse);

    QCOMPARE(s.item("LabelsItem")->text(), QString("Use &Labels for Levels"));
    QCOMPARE(s.item("IterationsItem")->text(), QString("&Number of Resampling Iterations for Estimating p-values"));
    QCOMPARE(s.item("MaximizedItem")->text(), QString("Run &Maximized"));
    QCOMPARE(s.item("ContentsItem")->text(), QString("&Contents..."));
    QCOMPARE(s.item("SearchItem")->text(), QString("&Search for Help on..."));
    QCOMPARE(s.item("OnlineItem")->text(), QString("Online Information"));
    QCOMPARE(s.item("PurposeItem")->text(), QString("&Purpose..."));
    QCOMPARE(s.item("AboutItem")->text(), QString("&About..."));
    QCOMPARE(s.item("ExitItem")->text(), QString("E&xit Alt + F4"));
}

void OpeningScreenTest::countBoxRefusesEveryKeyButDigitsPointAndBackspace()
{
    Session s;
    QLineEdit *count = s.box("Text1");
    Session::clickAndType(count, "3");
    QCOMPARE(count->text(), QString("3"));
    QVERIFY(s.messages.shown.empty());

    QTest::keyClick(count, Qt::Key_Backspace);
    QTest::keyClicks(count, "4.");
    QCOMPARE(count->text(), QString("4."));
    QVERIFY(s.messages.shown.empty());

    QTest::keyClick(count, 'x');
    QCOMPARE(count->text(), QString());
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(
        sameMessage(s.messages.last(), "Only numeric characters are permitted here", "Error!", MessageIcon::Critical));

    QTest::keyClicks(count, "2");
    QTest::keyClick(count, '-');
    QCOMPARE(count->text(), QString());
    QCOMPARE(s.messages.shown.size(), size_t(2));
}

void OpeningScreenTest::enterOnAnEmptyCountAsksForANumber()
{
    Session s;
    QLineEdit *count = s.box("Text1");
    QTest::mouseClick(count, Qt::LeftButton);
    QCOMPARE(count->text(), QString());
    QTest::keyClick(count, Qt::Key_Return);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "Please enter a number", "Error!", MessageIcon::Critical));
    QVERIFY(count->hasFocus());
}

void OpeningScreenTest::enterOnACountMovesToTheLevelsBox()
{
    Session s;
    Session::clickAndType(s.box("Text1"), "4");
    QTest::keyClick(s.box("Text1"), Qt::Key_Return);
    QVERIFY(s.messages.shown.empty());
    QVERIFY(s.box("Text2")->hasFocus());
    QCOMPARE(s.box("Text1")->text(), QString("4"));

    // Enter in the levels box moves on to "&OK".
    QTest::keyClick(s.box("Text2"), Qt::Key_Return);
    QVERIFY(s.button("Command1")->hasFocus());
}

void OpeningScreenTest::countBelowTwoDisablesOkAndTheLevelsBox()
{
    Session s;
    for (const char *count : {"1", "0", ""}) {
        Session::clickAndType(s.box("Text1"), count);
        QVERIFY2(!s.button("Command1")->isEnabled(), count);
        QVERIFY(!s.box("Text2")->isEnabled());
        QVERIFY(!child<UpDownButtons>(&s.opening(), "UpDown2")->isEnabled());
    }
    QVERIFY(s.messages.shown.empty());
    Session::clickAndType(s.box("Text1"), "3");
    QVERIFY(s.button("Command1")->isEnabled());
    QVERIFY(s.box("Text2")->isEnabled());
    QCOMPARE(s.opening().factorCount(), 3);
}

void OpeningScreenTest::countAboveSixIsRefusedAndSetBackToTwo()
{
    Session s;
    Session::clickAndType(s.box("Text1"), "7");
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "Sorry, the program only accommodates 6 factors.", "Program Limitation",
                        MessageIcon::Exclamation));
    QCOMPARE(s.box("Text1")->text(), QString("2"));
    QCOMPARE(s.opening().factorCount(), 2);
    QCOMPARE(s.opening().factorName(1), QString("A   (Click here to replace this generic factor name)"));
    QCOMPARE(s.opening().factorName(2), QString("B   (Click here to replace this generic factor name)"));
    QCOMPARE(s.opening().factorLevels(2), 2);
}

void OpeningScreenTest::spinnerStepsTheCountWithinTwoToSix()
{
    Session s;
    auto *spinner = child<UpDownButtons>(&s.opening(), "UpDown1");
    QTest::mouseClick(spinner->upButton(), Qt::LeftButton);
    QCOMPARE(s.box("Text1")->text(), QString("3"));
    QCOMPARE(s.opening().factorCount(), 3);
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(spinner->upButton(), Qt::LeftButton);
    QCOMPARE(s.box("Text1")->text(), QString("6"));
    for (int i = 0; i < 6; ++i)
        QTest::mouseClick(spinner->downButton(), Qt::LeftButton);
    QCOMPARE(s.box("Text1")->text(), QString("2"));
    QVERIFY(s.messages.shown.empty());

    auto *levels = child<UpDownButtons>(&s.opening(), "UpDown2");
    QTest::mouseClick(levels->upButton(), Qt::LeftButton);
    QCOMPARE(s.box("Text2")->text(), QString("3"));
    QCOMPARE(s.opening().factorLevels(1), 3);
}

void OpeningScreenTest::changingTheCountGivesFreshGenericFactors()
{
    Session s;
    Session::clickAndType(s.box("Text2"), "5");
    Session::clickAndType(s.box("Text3"), "Age");
    QCOMPARE(s.opening().factorName(1), QString("Age"));
    Session::clickAndType(s.box("Text1"), "3");
    QCOMPARE(s.opening().factorLevels(1), 2);
    QCOMPARE(s.box("Text2")->text(), QString("2"));
    QCOMPARE(s.box("Text3")->text(), OpeningScreen::genericName(1));
    QCOMPARE(s.opening().factorName(3), OpeningScreen::genericName(3));
}

void OpeningScreenTest::levelsBoxIsRewrittenWithoutLeadingZeros()
{
    Session s;
    QLineEdit *levels = s.box("Text2");
    Session::clickAndType(levels, "07");
    QCOMPARE(levels->text(), QString("7"));
    QCOMPARE(s.opening().factorLevels(1), 7);
    QVERIFY(s.button("Command1")->isEnabled());
}

void OpeningScreenTest::levelsBelowTwoDisableOk()
{
    Session s;
    Session::clickAndType(s.box("Text2"), "1");
    QVERIFY(!s.button("Command1")->isEnabled());
    QCOMPARE(s.opening().factorLevels(1), 1);
    QTest::keyClicks(s.box("Text2"), "2");
    QCOMPARE(s.box("Text2")->text(), QString("12"));
    QVERIFY(s.button("Command1")->isEnabled());
}

void OpeningScreenTest::levelsBoxRefusesLetters()
{
    Session s;
    Session::clickAndType(s.box("Text2"), "3q");
    QCOMPARE(s.box("Text2")->text(), QString());
    QVERIFY(
        sameMessage(s.messages.last(), "Only numeric characters are permitted here", "Error!", MessageIcon::Critical));
}

void OpeningScreenTest::nameMustBeginWithALetterOrQuote()
{
    Session s;
    QLineEdit *name = s.box("Text3");
    Session::clickAndType(name, "1st");
    QVERIFY(sameMessage(s.messages.last(), "The factor name must begin with an alphabetic character!", "Error",
                        MessageIcon::Critical));
    // Only the refused character is lost: the letters typed after it make the name.
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QCOMPARE(name->text(), QString("st"));
    s.messages.clear();

    Session::clickAndType(name, "\"Dose");
    QVERIFY(s.messages.shown.empty());

    Session::clickAndType(name, "dose");
    QVERIFY(s.messages.shown.empty());
    QCOMPARE(name->text(), QString("dose"));
    QCOMPARE(s.opening().factorName(1), QString("Dose"));
}

void OpeningScreenTest::nameWithACommaIsRefusedWhereTyped()
{
    Session s;
    QLineEdit *name = s.box("Text3");
    Session::clickAndType(name, "Dose,mg");
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "A factor name cannot contain a comma.  Please use another character.",
                        "Error", MessageIcon::Critical));
    QCOMPARE(name->text(), QString("Dosemg"));
    QCOMPARE(s.opening().factorName(1), QString("Dosemg"));
}

void OpeningScreenTest::clickingTheNameBoxEmptiesItAndDrawsItBlack()
{
    Session s;
    QLineEdit *name = s.box("Text3");
    QTest::mouseClick(name, Qt::LeftButton);
    QCOMPARE(name->text(), QString());
    QCOMPARE(name->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(s.opening().factorName(1), QString());
}

void OpeningScreenTest::quotedNamePassesTheBoxButNotOk()
{
    Session s;
    Session::clickAndType(s.box("Text3"), "\"Dose\"");
    QVERIFY(s.messages.shown.empty());
    s.messages.answers.push_back(MessageAnswer::Cancel);
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "The first character of the factor name must be a letter",
                        "Change required!", MessageIcon::Critical, MessageButtons::OkCancel));
    QCOMPARE(s.opening().currentFactor(), 1);
    QVERIFY(s.box("Text1")->isEnabled());
}

void OpeningScreenTest::okWalksThroughTheFactorsThenAsksForConfirmation()
{
    Session s;
    Session::clickAndType(s.box("Text1"), "3");
    Session::clickAndType(s.box("Text2"), "2");
    Session::clickAndType(s.box("Text3"), "Region");
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);

    QCOMPARE(s.opening().currentFactor(), 2);
    QCOMPARE(s.label("Label3")->text(), QString("How many levels are there in Factor 2?"));
    QCOMPARE(s.label("Label5")->text(), QString("What name do you want to assign to Factor 2?"));
    QCOMPARE(s.box("Text3")->text(), OpeningScreen::genericName(2));
    QCOMPARE(s.box("Text3")->palette().color(QPalette::Text), QColor(255, 0, 0));
    QVERIFY(!s.box("Text1")->isEnabled());
    QVERIFY(!child<UpDownButtons>(&s.opening(), "UpDown1")->isEnabled());
    QVERIFY(!s.label("Label6")->isVisible());

    Session::clickAndType(s.box("Text2"), "3");
    Session::clickAndType(s.box("Text3"), "Age");
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    Session::clickAndType(s.box("Text2"), "4");
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);

    QVERIFY(s.messages.shown.empty());
    QCOMPARE(s.label("Label4")->text(), QString("The program is expecting 24 scores.  Is that correct?"));
    QVERIFY(s.label("Label4")->isVisible());
    QVERIFY(!s.box("Text2")->isEnabled());
    QVERIFY(!child<UpDownButtons>(&s.opening(), "UpDown2")->isEnabled());
    QVERIFY(!s.button("Command1")->isVisible());
    QVERIFY(!s.button("StartOverButton")->isVisible());
    QVERIFY(s.button("Command2")->isVisible());
    QVERIFY(s.button("Command3")->isVisible());
    QCOMPARE(s.button("Command3")->text(), QString("&No, Adjust Factor-Level information"));
    QVERIFY(s.button("Command2")->hasFocus());
}

void OpeningScreenTest::labelsItemIsDisabledFromTheFirstOkUntilStartOver()
{
    Session s;
    QVERIFY(s.item("LabelsItem")->isEnabled());
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QVERIFY(!s.item("LabelsItem")->isEnabled());
    QTest::mouseClick(s.button("StartOverButton"), Qt::LeftButton);
    QVERIFY(s.item("LabelsItem")->isEnabled());
}

void OpeningScreenTest::designsAboveTheScoreLimitAreRefusedAndStartOver()
{
    Session s;
    s.describe({{"Alpha", 2}, {"Beta", 2}, {"Gamma", 4096}});
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(),
                        "You have specified 16384 scores, but the maximum allowed by the program is 16352 scores.",
                        "Program Limitation!", MessageIcon::Critical));
    QCOMPARE(s.opening().factorCount(), 2);
    QCOMPARE(s.box("Text1")->text(), QString("2"));
    QVERIFY(s.box("Text1")->isEnabled());
    QCOMPARE(s.box("Text3")->text(), OpeningScreen::genericName(1));
    QVERIFY(s.button("Command1")->isVisible());
    QVERIFY(!s.button("Command2")->isVisible());
    QVERIFY(!s.label("Label4")->isVisible());
}

void OpeningScreenTest::designOfExactlyTheScoreLimitIsAccepted()
{
    Session s;
    s.describe({{"Alpha", 16}, {"Beta", 1022}});
    QVERIFY(s.messages.shown.empty());
    QCOMPARE(s.label("Label4")->text(), QString("The program is expecting 16352 scores.  Is that correct?"));
}

void OpeningScreenTest::adjustReturnsToFactorOneKeepingTheValues()
{
    Session s;
    s.describe({{"Region", 2}, {"Age", 3}});
    QTest::mouseClick(s.button("Command3"), Qt::LeftButton);
    QCOMPARE(s.opening().currentFactor(), 1);
    QCOMPARE(s.box("Text1")->text(), QString("2"));
    QCOMPARE(s.box("Text2")->text(), QString("2"));
    QCOMPARE(s.box("Text3")->text(), QString("Region"));
    QCOMPARE(s.label("Label3")->text(), QString("How many levels are there in Factor 1?"));
    QVERIFY(!s.label("Label4")->isVisible());
    QVERIFY(s.label("Label6")->isVisible());
    QVERIFY(s.button("Command1")->isVisible());
    QVERIFY(!s.button("Command2")->isVisible());
    QVERIFY(!s.button("Command3")->isVisible());
    QVERIFY(s.button("StartOverButton")->isVisible());
    QVERIFY(s.box("Text1")->isEnabled());
    QVERIFY(s.box("Text2")->isEnabled());
    QCOMPARE(s.opening().factorName(2), QString("Age"));
    QCOMPARE(s.opening().factorLevels(2), 3);

    // Walking through again keeps what was typed.
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QCOMPARE(s.box("Text3")->text(), QString("Age"));
    QCOMPARE(s.box("Text3")->palette().color(QPalette::Text), QColor(Qt::black));
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QCOMPARE(s.label("Label4")->text(), QString("The program is expecting 6 scores.  Is that correct?"));
}

void OpeningScreenTest::genericNamesBecomeTheirLetters()
{
    Session s;
    s.confirm({{QString(), 2}, {"Time", 3}});
    QVERIFY(s.messages.shown.empty());
    const Design &design = s.problem().design;
    QCOMPARE(design.factorCount(), 2);
    QCOMPARE(QString::fromStdString(design.factors[0].name), QString("A"));
    QCOMPARE(QString::fromStdString(design.factors[0].letter), QString("A"));
    QCOMPARE(QString::fromStdString(design.factors[1].name), QString("Time"));
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

    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(), "Please enter a name for Factor 2", "Error", MessageIcon::Exclamation));
    QVERIFY(!s.app->hasDataEntryGrid() || !s.grid().isVisible());
    QCOMPARE(s.opening().currentFactor(), 2);
    QCOMPARE(s.box("Text3")->text(), QString());
    QVERIFY(s.box("Text3")->hasFocus());
    QCOMPARE(s.label("Label5")->text(), QString("What name do you want to assign to Factor 2?"));
    QVERIFY(!s.label("Label4")->isVisible());
    QVERIFY(s.button("Command1")->isVisible());
    QVERIFY(!s.button("Command2")->isVisible());

    QTest::keyClicks(s.box("Text3"), "Dose");
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QCOMPARE(QString::fromStdString(s.problem().design.factors[1].name), QString("Dose"));
    QVERIFY(s.grid().isVisible());
}

void OpeningScreenTest::sameFirstLettersAreRefusedIgnoringCase()
{
    Session s;
    s.confirm({{"Age", 2}, {"Time", 2}, {"appetite", 2}});
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(sameMessage(s.messages.last(),
                        "The program requires the first letter of all factor names to be unique.  Please change the "
                        "name of either Age or Appetite.",
                        "Change required!", MessageIcon::Critical));
    QCOMPARE(s.opening().currentFactor(), 1);
    QCOMPARE(s.box("Text3")->text(), QString("Age"));
    QVERIFY(s.button("Command1")->isVisible());
    QVERIFY(!s.app->hasDataEntryGrid());
}

void OpeningScreenTest::confirmationWritesTheDesignAndOpensTheGrid()
{
    Session s;
    s.confirm({{"Region", 2}, {"age", 3}, {"Person", 4}}, "Survey");
    QVERIFY(s.messages.shown.empty());
    const Design &design = s.problem().design;
    QCOMPARE(design.factorCount(), 3);
    QCOMPARE(QString::fromStdString(design.factors[1].name), QString("Age"));
    QCOMPARE(design.levelCounts(), (std::vector<int>{2, 3, 4}));
    QCOMPARE(design.cellCount(), int64_t(24));
    QCOMPARE(design.maxLevels(), 4);
    QCOMPARE(QString::fromStdString(design.problemLabel), QString("Survey"));
    QVERIFY(!s.opening().isVisible());
    QVERIFY(s.grid().isVisible());
}

// Without the application: the screen only asks, through its signals, for the window that comes
// next; with labels in use the confirm button leads to the labels first and to the grid after.
void OpeningScreenTest::confirmationAsksForTheLabelsThenForTheGridOnItsOwn()
{
    quietPlatformMessagesOnce();
    ProblemState problem;
    Preferences preferences;
    preferences.useLevelLabels = true;
    ScriptedMessageService messages;
    OpeningScreen screen(problem, preferences, messages);
    screen.show();
    QSignalSpy labels(&screen, &OpeningScreen::levelLabelsRequested);
    QSignalSpy grid(&screen, &OpeningScreen::dataEntryRequested);
    QPushButton *ok = child<QPushButton>(&screen, "Command1");
    QPushButton *confirm = child<QPushButton>(&screen, "Command2");
    QTest::mouseClick(ok, Qt::LeftButton);
    QTest::mouseClick(ok, Qt::LeftButton);
    QTest::mouseClick(confirm, Qt::LeftButton);
    QCOMPARE(labels.count(), 1);
    QCOMPARE(grid.count(), 0);
    QCOMPARE(problem.design.factorCount(), 2);
    QVERIFY(problem.labelsInUse);

    screen.show(); // as the application does when the labels are finished
    QTest::mouseClick(confirm, Qt::LeftButton);
    QCOMPARE(labels.count(), 1);
    QCOMPARE(grid.count(), 1);
    QVERIFY(messages.shown.empty());
}

void OpeningScreenTest::startOverRestoresTheStartUpState()
{
    Session s;
    Session::clickAndType(s.box("Text1"), "3");
    Session::clickAndType(s.box("Text2"), "5");
    QTest::mouseClick(s.button("Command1"), Qt::LeftButton);
    s.problem().design.nested = true;
    QTest::mouseClick(s.button("StartOverButton"), Qt::LeftButton);

    QCOMPARE(s.opening().factorCount(), 2);
    QCOMPARE(s.opening().currentFactor(), 1);
    QCOMPARE(s.box("Text1")->text(), QString("2"));
    QVERIFY(s.box("Text1")->isEnabled());
    QCOMPARE(s.box("Text2")->text(), QString("2"));
    QCOMPARE(s.opening().factorLevels(1), 2);
    QCOMPARE(s.box("Text3")->text(), OpeningScreen::genericName(1));
    QCOMPARE(s.box("Text3")->palette().color(QPalette::Text), QColor(255, 0, 0));
    QCOMPARE(s.label("Label3")->text(), QString("How many levels are there in Factor 1?"));
    QVERIFY(!s.problem().design.nested);
    QVERIFY(s.button("Command1")->isVisible());

    // The count box's own reset must not swallow the user's next change.
    auto *spinner = child<UpDownButtons>(&s.opening(), "UpDown1");
    QTest::mouseClick(spinner->upButton(), Qt::LeftButton);
    QCOMPARE(s.opening().factorCount(), 3);
}

void OpeningScreenTest::purposeAndAboutShowTheirTexts()
{
    Session s;
    s.item("PurposeItem")->trigger();
    QVERIFY(sameMessage(s.messages.last(),
                        "     This program performs Kelsim for up to six factors, with up to 16352 scores.  It handles "
                        "independent groups and repeated measures designs.\n\r     The input grid accepts one score "
                        "per factorial combination; replicates and/or subjects are treated as ordinary factors.",
                        "Purpose", MessageIcon::Information));

    s.item("AboutItem")->trigger();
    AboutDialog &about = s.app->aboutDialog();
    QVERIFY(about.isVisible());
    QCOMPARE(about.windowTitle(), QString("About Kelsim"));
    QCOMPARE(child<QLabel>(&about, "VersionLabel")->text(), QString("Version ") + kelsim::kProgramVersion);
    auto *ok = child<QPushButton>(&about, "OKButton");
    QCOMPARE(ok->text(), QString("&OK"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!about.isVisible());
}

void OpeningScreenTest::rightClickShowsContextHelp()
{
    Session s;
    for (const char *name : {"Text1", "Text2", "Text3"}) {
        QLineEdit *box = s.box(name);
        const QString before = box->text();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4), box->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(box, &event);
        QLabel *popup = contextHelpPopup(&s.opening());
        QVERIFY2(popup, name);
        QVERIFY(popup->isVisible());
        QVERIFY(!popup->text().isEmpty());
        QCOMPARE(box->text(), before);
        // A click closes it.
        QTest::mouseClick(popup->window(), Qt::LeftButton);
        QVERIFY(!popup->isVisible());
    }
    QVERIFY(contextHelpPopup(&s.opening())->text().contains("first letter"));
}

QTEST_MAIN(OpeningScreenTest)
#include "OpeningScreenTest.moc"
