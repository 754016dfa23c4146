// The "Set &Preferences" menu: the two remembered switches read at start-up and saved when
// toggled, and the "Number of Iterations" window with its parsing and refusals.

#include "TestSupport.h"

#include "IterationsDialog.h"

#include <QLocale>
#include <QSettings>

using namespace kelsim;
using namespace kelsim::test;

namespace {

QString storedValue(Session &s, const QString &key)
{
    QSettings file(s.settings.fileName(), QSettings::IniFormat);
    return file.value("Settings/" + key).toString();
}

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup();
    void missingPreferencesReadAsFalse();
    void storedPreferencesApplyAtStartUp();
    void labelsSwitchIsSavedAndChangesTheConfirmCaption();
    void runMaximizedIsSavedAndMaximizesTheOpeningScreen();
    void runMaximizedOpensTheGridMaximized();
    void iterationsWindowAlwaysOffersOneHundredThousand();
    void iterationsAreReadInTheUsersLocale_data();
    void iterationsAreReadInTheUsersLocale();
    void refusedIterationsShowTheMessageAndRestoreTheDefault_data();
    void refusedIterationsShowTheMessageAndRestoreTheDefault();
    void digitGroupsFollowTheUsersLocale();
    void iterationsOutliveANewProblem();
};

void PreferencesTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void PreferencesTest::cleanup()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void PreferencesTest::missingPreferencesReadAsFalse()
{
    Session s;
    QVERIFY(!s.app->preferences().runMaximized);
    QVERIFY(!s.app->preferences().useLevelLabels);
    QVERIFY(!s.item("LabelsItem")->isChecked());
    QVERIFY(!s.item("MaximizedItem")->isChecked());
    QVERIFY(!s.opening().isMaximized());
    QCOMPARE(s.button("Command2")->text(), QString("&Yes, Proceed to Data Entry"));
}

void PreferencesTest::storedPreferencesApplyAtStartUp()
{
    Session s(true, true);
    QVERIFY(s.app->preferences().runMaximized);
    QVERIFY(s.app->preferences().useLevelLabels);
    QVERIFY(s.item("LabelsItem")->isChecked());
    QVERIFY(s.item("MaximizedItem")->isChecked());
    QVERIFY(s.problem().labelsInUse);
    QVERIFY(s.opening().isMaximized());
    QCOMPARE(s.button("Command2")->text(), QString("Yes, Enter &Labels for Levels..."));
}

void PreferencesTest::labelsSwitchIsSavedAndChangesTheConfirmCaption()
{
    Session s;
    s.item("LabelsItem")->trigger();
    QVERIFY(s.item("LabelsItem")->isChecked());
    QCOMPARE(storedValue(s, "Use_Level_Labels"), QString("True"));
    QVERIFY(s.problem().labelsInUse);
    QCOMPARE(s.button("Command2")->text(), QString("Yes, Enter &Labels for Levels..."));

    s.item("LabelsItem")->trigger();
    QVERIFY(!s.item("LabelsItem")->isChecked());
    QCOMPARE(storedValue(s, "Use_Level_Labels"), QString("False"));
    QVERIFY(!s.problem().labelsInUse);
    QVERIFY(!s.app->preferences().useLevelLabels);
    QCOMPARE(s.button("Command2")->text(), QString("&Yes, Proceed to Data Entry"));
}

void PreferencesTest::runMaximizedIsSavedAndMaximizesTheOpeningScreen()
{
    Session s;
    s.item("MaximizedItem")->trigger();
    QCOMPARE(storedValue(s, "Run_Maximized"), QString("True"));
    QVERIFY(s.opening().isMaximized());
    s.item("MaximizedItem")->trigger();
    QCOMPARE(storedValue(s, "Run_Maximized"), QString("False"));
    QVERIFY(!s.opening().isMaximized());
}

void PreferencesTest::runMaximizedOpensTheGridMaximized()
{
    Session s(false, true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    QVERIFY(s.grid().isMaximized());
}

void PreferencesTest::iterationsWindowAlwaysOffersOneHundredThousand()
{
    Session s;
    s.item("IterationsItem")->trigger();
    IterationsDialog &dialog = s.opening().iterationsDialog();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.windowTitle(), QString("Number of Iterations"));
    QCOMPARE(child<QLabel>(&dialog, "Label2")->text(), QString("Desired number of iterations?"));
    const QString explanation = child<QLabel>(&dialog, "Label1")->text();
    QVERIFY(explanation.startsWith("   The program uses a resampling procedure to estimate the significance levels"));
    QVERIFY(explanation.contains("\n    The program default is 100,000 iterations, which gives fairly accurate "
                                 "p-values and is reasonably speedy for a design with fewer than 100 scores."));
    QVERIFY(explanation.endsWith("\n    If you just want a quick glance at the magnitude of the effects, without "
                                 "calculating p-values, set the number of iterations at 1."));
    QLineEdit *count = child<QLineEdit>(&dialog, "Text1");
    QCOMPARE(count->text(), QString("100,000"));

    count->setText("5000");
    QTest::mouseClick(child<QPushButton>(&dialog, "OKButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(s.problem().run.iterations, 5000);

    s.item("IterationsItem")->trigger();
    QCOMPARE(count->text(), QString("100,000"));
    QCOMPARE(s.problem().run.iterations, 5000);
}

void PreferencesTest::iterationsAreReadInTheUsersLocale_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("iterations");
    QTest::newRow("one pass") << "1" << 1;
    QTest::newRow("grouped") << "250,000" << 250000;
    QTest::newRow("offered") << "100,000" << 100000;
    QTest::newRow("half rounds to even, down") << "2.5" << 2;
    QTest::newRow("half rounds to even, up") << "3.5" << 4;
    QTest::newRow("fraction") << "7.6" << 8;
    QTest::newRow("largest 32-bit") << "2147483647" << 2147483647;
}

void PreferencesTest::iterationsAreReadInTheUsersLocale()
{
    QFETCH(QString, typed);
    QFETCH(int, iterations);
    Session s;
    s.item("IterationsItem")->trigger();
    IterationsDialog &dialog = s.opening().iterationsDialog();
    QLineEdit *count = child<QLineEdit>(&dialog, "Text1");
    count->clear();
    QTest::keyClicks(count, typed);
    QTest::keyClick(count, Qt::Key_Return);
    QVERIFY(s.messages.shown.empty());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(s.problem().run.iterations, iterations);
}

void PreferencesTest::refusedIterationsShowTheMessageAndRestoreTheDefault_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("zero") << "0";
    QTest::newRow("negative") << "-5";
    QTest::newRow("rounds to zero") << "0.4";
    QTest::newRow("letters") << "many";
    QTest::newRow("empty") << "";
    QTest::newRow("beyond 32 bits") << "3,000,000,000";
    QTest::newRow("huge") << "1e30";
}

void PreferencesTest::refusedIterationsShowTheMessageAndRestoreTheDefault()
{
    QFETCH(QString, typed);
    Session s;
    s.problem().run.iterations = 777;
    s.item("IterationsItem")->trigger();
    IterationsDialog &dialog = s.opening().iterationsDialog();
    QLineEdit *count = child<QLineEdit>(&dialog, "Text1");
    count->clear();
    QTest::keyClicks(count, typed);
    QTest::mouseClick(child<QPushButton>(&dialog, "OKButton"), Qt::LeftButton);
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY(s.messages.last().text.startsWith("The number of iterations must be a positive integer."));
    QCOMPARE(s.messages.last().title, QString("Kelsim"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(count->text(), QString("100,000"));
    QCOMPARE(s.problem().run.iterations, 100000);
}

void PreferencesTest::digitGroupsFollowTheUsersLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(IterationsDialog::parseIterations("2.000"), std::optional<double>(2000));
    QCOMPARE(IterationsDialog::parseIterations("2,5"), std::optional<double>(2));
    // The offered text means what it says whatever the locale.
    QCOMPARE(IterationsDialog::parseIterations("100,000"), std::optional<double>(100000));
    QCOMPARE(IterationsDialog::parseIterations("x"), std::optional<double>());
}

void PreferencesTest::iterationsOutliveANewProblem()
{
    Session s;
    s.problem().run.iterations = 321;
    s.confirm({{"Region", 2}, {"Age", 3}});
    QTest::mouseClick(child<QPushButton>(&s.grid(), "RestartButton"), Qt::LeftButton);
    QVERIFY(s.opening().isVisible());
    QCOMPARE(s.problem().run.iterations, 321);
}

QTEST_MAIN(PreferencesTest)
#include "PreferencesTest.moc"
