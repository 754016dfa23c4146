// The "Set P&references" menu: the two remembered switches read at start-up and saved when
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
    void init();
    void storedPreferencesApplyAtStartUp_data();
    void storedPreferencesApplyAtStartUp();
    void labelsSwitchIsSavedAndChangesTheConfirmCaption();
    void runMaximizedIsSavedAndMaximizesTheWindows();
    void iterationsWindowAlwaysOffersOneHundredThousand();
    void iterationsAreReadInTheUsersLocaleOrRefused_data();
    void iterationsAreReadInTheUsersLocaleOrRefused();
    void digitGroupsFollowTheUsersLocale();
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
    QTest::newRow("half rounds to even, up") << "3.5" << 4 << QString();
    QTest::newRow("largest 32-bit") << "2147483647" << 2147483647 << QString();
    QTest::newRow("zero") << "0" << 100000 << rule;
    QTest::newRow("negative") << "-5" << 100000 << rule;
    QTest::newRow("rounds to zero") << "0.4" << 100000 << rule;
    QTest::newRow("letters") << "many" << 100000 << rule;
    QTest::newRow("empty") << "" << 100000 << rule;
    QTest::newRow("beyond 32 bits") << "3,000,000,000" << 100000 << tooMany;
    QTest::newRow("eleven nines") << "99999999999" << 100000 << tooMany;
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

QTEST_MAIN(PreferencesTest)
#include "PreferencesTest.moc"
