// The "Set P&references" menu: the two remembered switches read at start-up and saved when
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
    void init();
    void storedPreferencesApplyAtStartUp_data();
    void storedPreferencesApplyAtStartUp();
    void labelsSwitchIsSavedAndChangesTheConfirmCaption();
    void runMaximizedIsSavedAndMaximizesTheWindows();
    void iterationsWindowAlwaysOffersOneHundredThousand();
    void iterationsAreReadInTheUsersLocaleOrRefused_data();
    void iterationsAreReadInTheUsersLocaleOrRefused();
    void digitGroupsFollowTheUsersLocale();
    void seedPrecisionExactnessAndShuffleAreChosenForTheSession();
    void unreadableSeedOrPrecisionIsRefusedAndNothingChanges_data();
    void unreadableSeedOrPrecisionIsRefusedAndNothingChanges();
};

void PreferencesTest::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void PreferencesTest::storedPreferencesApplyAtStartUp_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("confirm");
    QTest::newRow("missing reads as False") << false << "&Yes, Proceed to Data Entry";
    QTest::newRow("True") << true << "Yes, Enter &Labels for Levels...";
}

void PreferencesTest::storedPreferencesApplyAtStartUp()
{
    QFETCH(bool, stored);
    QFETCH(QString, confirm);
    Session s(stored, stored);
    QCOMPARE(s.app->preferences().runMaximized, stored);
    QCOMPARE(s.item("LabelsItem")->isChecked(), stored);
    QCOMPARE(s.item("MaximizedItem")->isChecked(), stored);
    QCOMPARE(s.problem().labelsInUse, stored);
    QCOMPARE(s.opening().isMaximized(), stored);
    QCOMPARE(s.button("Command2")->text(), confirm);
}

void PreferencesTest::labelsSwitchIsSavedAndChangesTheConfirmCaption()
{
    Session s;
    s.item("LabelsItem")->trigger();
    QCOMPARE(storedValue(s, "Use_Level_Labels"), QString("True"));
    QVERIFY(s.problem().labelsInUse);
    QCOMPARE(s.button("Command2")->text(), QString("Yes, Enter &Labels for Levels..."));
    s.item("LabelsItem")->trigger();
    QCOMPARE(storedValue(s, "Use_Level_Labels"), QString("False"));
    QVERIFY(!s.problem().labelsInUse);
    QVERIFY(!s.app->preferences().useLevelLabels);
    QCOMPARE(s.button("Command2")->text(), QString("&Yes, Proceed to Data Entry"));
}

void PreferencesTest::runMaximizedIsSavedAndMaximizesTheWindows()
{
    Session s;
    s.item("MaximizedItem")->trigger();
    QCOMPARE(storedValue(s, "Run_Maximized"), QString("True"));
    QVERIFY(s.opening().isMaximized());
    s.confirm({{"Region", 2}, {"Age", 3}});
    QVERIFY(s.grid().isMaximized());
    QTest::mouseClick(child<QPushButton>(&s.grid(), "RestartButton"), Qt::LeftButton);
    s.item("MaximizedItem")->trigger();
    QCOMPARE(storedValue(s, "Run_Maximized"), QString("False"));
    QVERIFY(!s.opening().isMaximized());
}

void PreferencesTest::iterationsWindowAlwaysOffersOneHundredThousand()
{
    Session s;
    s.item("IterationsItem")->trigger();
    IterationsDialog &dialog = s.opening().iterationsDialog();
    QVERIFY(dialog.isVisible());
    // Runs take seconds now, not hours.
    QVERIFY(!child<QLabel>(&dialog, "Label1")->text().contains("hours"));
    QLineEdit *count = child<QLineEdit>(&dialog, "Text1");
    QCOMPARE(count->text(), QString("100,000"));
    count->setText("5000");
    QTest::mouseClick(child<QPushButton>(&dialog, "OKButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    s.item("IterationsItem")->trigger();
    QCOMPARE(count->text(), QString("100,000"));
    QCOMPARE(s.problem().run.iterations, 5000);
    // The count outlives a new problem.
    s.confirm({{"Region", 2}, {"Age", 3}});
    QTest::mouseClick(child<QPushButton>(&s.grid(), "RestartButton"), Qt::LeftButton);
    QCOMPARE(s.problem().run.iterations, 5000);
}

void PreferencesTest::iterationsAreReadInTheUsersLocaleOrRefused_data()
{
    const QString rule = "The number of iterations must be a positive integer.";
    // Beyond the largest count the message names it: the number is positive, only too large.
    const QString tooMany = rule + "  The largest number the program takes is 2,147,483,647.";
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("iterations"); // 100000 again when refused
    QTest::addColumn<QString>("message");
    QTest::newRow("one pass") << "1" << 1 << QString();
    QTest::newRow("grouped") << "250,000" << 250000 << QString();
    QTest::newRow("half rounds to even, down") << "2.5" << 2 << QString();
    QTest::newRow("largest 32-bit") << "2147483647" << 2147483647 << QString();
    QTest::newRow("zero") << "0" << 100000 << rule;
    QTest::newRow("rounds to zero") << "0.4" << 100000 << rule;
    QTest::newRow("letters") << "many" << 100000 << rule;
    QTest::newRow("empty") << "" << 100000 << rule;
    QTest::newRow("beyond 32 bits") << "3,000,000,000" << 100000 << tooMany;
    QTest::newRow("huge") << "1e30" << 100000 << tooMany;
}

void PreferencesTest::iterationsAreReadInTheUsersLocaleOrRefused()
{
    QFETCH(QString, typed);
    QFETCH(int, iterations);
    QFETCH(QString, message);
    Session s;
    s.problem().run.iterations = 777;
    s.item("IterationsItem")->trigger();
    IterationsDialog &dialog = s.opening().iterationsDialog();
    QLineEdit *count = child<QLineEdit>(&dialog, "Text1");
    count->clear();
    QTest::keyClicks(count, typed);
    QTest::keyClick(count, Qt::Key_Return);
    QCOMPARE(s.problem().run.iterations, iterations);
    QCOMPARE(dialog.isVisible(), !message.isEmpty());
    QCOMPARE(s.messages.shown.size(), size_t(message.isEmpty() ? 0 : 1));
    if (!message.isEmpty()) {
        QVERIFY(sameMessage(s.messages.last(), message, "Kelsim", MessageIcon::None));
        QCOMPARE(count->text(), QString("100,000"));
    }
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
