// The "Set &Preferences" menu: the two remembered switches read at start-up and saved when
// toggled, and the "Number of Iterations" window with its parsing and refusals.

#include "TestSupport.h"

#include "IterationsDialog.h"

#include <QCheckBox>
#include <QLocale>
#include <QRadioButton>
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
    void seedPrecisionExactnessAndShuffleAreChosenForTheSession();
    void unreadableSeedOrPrecisionIsRefusedAndNothingChanges_data();
    void unreadableSeedOrPrecisionIsRefusedAndNothingChanges();
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
    // Runs take seconds now, not hours.
    QVERIFY(!child<QLabel>(&dialog, "Label1")->text().contains("hours"));
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

void PreferencesTest::seedPrecisionExactnessAndShuffleAreChosenForTheSession()
{
    Session s;
    s.item("IterationsItem")->trigger();
    IterationsDialog &dialog = s.opening().iterationsDialog();
    QVERIFY(child<QRadioButton>(&dialog, "SeedRandom")->isChecked());
    QVERIFY(!child<QCheckBox>(&dialog, "StopWhenPrecise")->isChecked());
    QVERIFY(child<QCheckBox>(&dialog, "ExactWhenSmall")->isChecked());
    QVERIFY(child<QRadioButton>(&dialog, "ShuffleWhole")->isChecked());
    // Typing a seed or a width chooses it.
    QTest::keyClicks(child<QLineEdit>(&dialog, "SeedBox"), "18446744073709551615");
    child<QLineEdit>(&dialog, "PrecisionBox")->selectAll();
    QTest::keyClicks(child<QLineEdit>(&dialog, "PrecisionBox"), ".005");
    child<QCheckBox>(&dialog, "ExactWhenSmall")->click();
    child<QRadioButton>(&dialog, "ShuffleRestricted")->click();
    child<QPushButton>(&dialog, "OKButton")->click();
    QVERIFY(!dialog.isVisible());
    const RunOptions options = s.problem().run.options();
    QCOMPARE(options.seed, std::optional<uint64_t>(18446744073709551615ull));
    QCOMPARE(options.precision, .005);
    QVERIFY(options.exact == ExactMode::Never && options.shuffle == ShuffleMode::Restricted);

    // The window opens on the choices made; back to a random seed, every run draws its own.
    s.item("IterationsItem")->trigger();
    QCOMPARE(child<QLineEdit>(&dialog, "SeedBox")->text(), QString("18446744073709551615"));
    QVERIFY(child<QRadioButton>(&dialog, "SeedFixed")->isChecked());
    QVERIFY(child<QCheckBox>(&dialog, "StopWhenPrecise")->isChecked());
    child<QRadioButton>(&dialog, "SeedRandom")->click();
    child<QPushButton>(&dialog, "OKButton")->click();
    QVERIFY(!s.problem().run.fixedSeed);
    QVERIFY(s.problem().run.options().seed != s.problem().run.options().seed);
}

void PreferencesTest::unreadableSeedOrPrecisionIsRefusedAndNothingChanges_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    const QString seed = "The seed must be a whole number from 0 to 18446744073709551615";
    const QString width = "The interval width at which a run stops must be a number between 0 and 1";
    QTest::newRow("negative seed") << "SeedBox"
                                   << "-1" << seed;
    QTest::newRow("seed beyond 64 bits") << "SeedBox"
                                         << "18446744073709551616" << seed;
    QTest::newRow("seed with letters") << "SeedBox"
                                       << "12a" << seed;
    QTest::newRow("fractional seed") << "SeedBox"
                                     << "1.5" << seed;
    QTest::newRow("no width") << "PrecisionBox"
                              << "0" << width;
    QTest::newRow("width of 1") << "PrecisionBox"
                                << "1" << width;
    QTest::newRow("width in words") << "PrecisionBox"
                                    << "tight" << width;
}

void PreferencesTest::unreadableSeedOrPrecisionIsRefusedAndNothingChanges()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    Session s;
    s.item("IterationsItem")->trigger();
    IterationsDialog &dialog = s.opening().iterationsDialog();
    child<QLineEdit>(&dialog, "Text1")->setText("5000");
    QLineEdit *edited = child<QLineEdit>(&dialog, box.toLatin1().constData());
    edited->selectAll();
    QTest::keyClicks(edited, typed);
    child<QPushButton>(&dialog, "OKButton")->click();
    QCOMPARE(s.messages.shown.size(), size_t(1));
    QVERIFY2(s.messages.last().text.startsWith(message), qPrintable(s.messages.last().text));
    QVERIFY(dialog.isVisible());
    QCOMPARE(edited->text(), typed);
    QCOMPARE(s.problem().run.iterations, 100000);
    QVERIFY(!s.problem().run.fixedSeed && s.problem().run.precision == 0.0);
}

QTEST_MAIN(PreferencesTest)
#include "PreferencesTest.moc"
