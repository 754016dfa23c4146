// The application shell: start-up, the help window (contents, keyword search, topic pages, F1),
// "Online Information", context help, leaving the program, and a whole problem from the opening
// screen to the table.

#include "TestSupport.h"

#include "DesignFlow.h"
#include "DesignSpecificationWindow.h"
#include "KelsimTableWindow.h"

#include <QRadioButton>
#include <QTableWidget>

#include "ContextHelp.h"
#include "HelpWindow.h"

#include <QDir>
#include <QListWidget>
#include <QTabWidget>
#include <QTextBrowser>

using namespace kelsim;
using namespace kelsim::test;

class ShellTest : public QObject {
    Q_OBJECT

  private slots:
    void startUpShowsOnlyTheOpeningScreen();
    void helpPagesSayWhatTheProgramDoes();
    void helpSearchFindsPagesByKeyword();
    void onlineInformationOpensTheWebAddressOrElseTheContents();
    void gridAndLabelsHaveContextHelp();
    void exitOrClosingTheOpeningScreenWithNothingToSaveEndsTheProgram();
    void wholeProblemFromStartToConfirmedScores();
};

void ShellTest::startUpShowsOnlyTheOpeningScreen()
{
    Session s;
    QVERIFY(s.opening().isVisible());
    QVERIFY(!s.app->hasDataEntryGrid());
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window != &s.opening() && window->isVisible())
            QFAIL(qPrintable("visible at start-up: " + window->objectName()));
}

void ShellTest::helpPagesSayWhatTheProgramDoes()
{
    Session s;
    s.item("ContentsItem")->trigger();
    HelpWindow &help = s.app->helpWindow();
    QVERIFY(help.isVisible());
    auto *contents = child<QListWidget>(&help, "ContentsList");
    auto *browser = child<QTextBrowser>(&help, "HelpBrowser");
    // Every page built into the program is listed and opens with text of its own.
    QCOMPARE(contents->count(), QDir(":/help").entryList({"*.html"}).size());
    // What the pages once said and the program does not do.
    const QStringList untrue = {
        ".00001", "overnight", "hours", "ties do not count", "always between 0 and 1", "p is that count divided"};
    QString np;
    for (int row = 0; row < contents->count(); ++row) {
        contents->setCurrentRow(row);
        const QString text = browser->toPlainText().simplified();
        QVERIFY2(text.size() > 400, qPrintable(help.currentPage()));
        for (const QString &claim : untrue)
            QVERIFY2(!text.contains(claim, Qt::CaseInsensitive), qPrintable(help.currentPage() + ": " + claim));
        if (help.currentPage() == "np.html")
            np = text;
    }
    QVERIFY(np.contains("p = (1 + shuffles whose N-ratio is at least the observed one) / iterations"));
    // Following a link moves the contents list along.
    browser->setSource(QUrl("qrc:/help/np.html"));
    QCOMPARE(contents->currentItem()->text(), help.currentTitle());
}

void ShellTest::helpSearchFindsPagesByKeyword()
{
    Session s;
    s.item("SearchItem")->trigger();
    HelpWindow &help = s.app->helpWindow();
    QVERIFY(help.isVisible());
    QCOMPARE(child<QTabWidget>(&help, "HelpTabs")->currentIndex(), 1);

    auto *keywordBox = child<QLineEdit>(&help, "KeywordBox");
    QApplication::setActiveWindow(&help);
    QTest::keyClicks(keywordBox, "N-ra");
    auto *keywords = child<QListWidget>(&help, "KeywordList");
    QCOMPARE(keywords->currentItem()->text(), QString("N-ratio"));
    auto *topics = child<QListWidget>(&help, "TopicList");
    QVERIFY(topics->count() >= 2);
    QList<QListWidgetItem *> found = topics->findItems("NP, the N-ratio and p", Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    emit topics->itemActivated(found.first());
    QCOMPARE(help.currentPage(), QString("np.html"));
}

void ShellTest::onlineInformationOpensTheWebAddressOrElseTheContents()
{
    Session s;
    s.app->setWebAddress("https://example.org/kelsim");
    s.item("OnlineItem")->trigger();
    QCOMPARE(s.openedUrls, QStringList{"https://example.org/kelsim"});
    QVERIFY(!s.app->helpWindow().isVisible());
    s.app->setWebAddress(QString());
    s.item("OnlineItem")->trigger();
    QCOMPARE(s.openedUrls.size(), 1);
    QVERIFY(s.app->helpWindow().isVisible());
    QCOMPARE(s.app->helpWindow().currentPage(), QString("index.html"));
}

void ShellTest::gridAndLabelsHaveContextHelp()
{
    Session s(true);
    s.confirm({{"Region", 2}, {"Age", 3}});
    LevelLabelsWindow &labels = s.app->levelLabelsWindow();
    auto *labelBox = child<QLineEdit>(&labels, "Text1");
    showContextHelp(labelBox, QPoint(10, 10));
    QVERIFY(contextHelpPopup(&labels)->text().contains("one or two characters"));

    QTest::mouseClick(child<QPushButton>(&labels, "Skipbutton"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(&labels, "Skipbutton"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(&labels, "FinishedButton"), Qt::LeftButton);
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
    QTableView *grid = s.grid().grid();
    // A right-click lands on the grid's viewport.
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), grid->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(grid->viewport(), &event);
    QVERIFY(contextHelpPopup(&s.grid()));
    QVERIFY(contextHelpPopup(&s.grid())->isVisible());
    QVERIFY(contextHelpPopup(&s.grid())->text().contains("press Enter"));
}

void ShellTest::exitOrClosingTheOpeningScreenWithNothingToSaveEndsTheProgram()
{
    for (const bool byMenu : {true, false}) {
        Session s;
        if (byMenu)
            s.item("ExitItem")->trigger();
        else
            QVERIFY(s.opening().close());
        QVERIFY(s.messages.shown.empty());
        QVERIFY(s.app->hasExited());
        QVERIFY(!s.opening().isVisible());
        QCOMPARE(s.programEnds, 1);
    }
}

// Region (2) x Age (3) x Person (4) with labels, 24 typed scores, confirmed.
void ShellTest::wholeProblemFromStartToConfirmedScores()
{
    Session s;
    // F1 opens the page of the window it is pressed in, here and below.
    QTest::keyClick(&s.opening(), Qt::Key_F1);
    QCOMPARE(s.app->helpWindow().currentPage(), QString("opening.html"));
    s.item("LabelsItem")->trigger();
    s.confirm({{"Region", 2}, {"Age", 3}, {"Person", 4}}, "Taste survey");
    LevelLabelsWindow &labels = s.app->levelLabelsWindow();
    QApplication::setActiveWindow(&labels);
    s.typeLabels({"N", "S", "yo", "mi", "ol"});
    QTest::mouseClick(child<QPushButton>(&labels, "Skipbutton"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(&labels, "FinishedButton"), Qt::LeftButton);
    QTest::mouseClick(s.button("Command2"), Qt::LeftButton);

    GridDriver grid(s);
    QCOMPARE(grid.caption()->text(), QString("Enter Data for Taste survey:"));
    QCOMPARE(grid.scores().index(7, 3).data().toString(), QString("yo"));
    QCOMPARE(grid.scores().index(7, 5).data().toString(), QString("2"));
    const QString answers = "yynnynynnyyyynnnyynyynny";
    grid.typeScores(answers.split(QString(), Qt::SkipEmptyParts));
    grid.dataOk();
    QVERIFY(s.messages.shown.empty());
    const ProblemState &problem = s.problem();
    QCOMPARE(problem.design.factorCount(), 3);
    QCOMPARE(problem.design.levelCounts(), (std::vector<int>{2, 3, 4}));
    QCOMPARE(problem.design.levelLabels[1], (std::vector<std::string>{"yo", "mi", "ol"}));
    QCOMPARE(problem.design.levelLabels[2], (std::vector<std::string>{"1", "2", "3", "4"}));
    QCOMPARE(problem.scores.count(), int64_t(24));
    for (int i = 0; i < 24; ++i)
        QCOMPARE(problem.scores.flat[size_t(i)], std::string(1, answers[i].toLatin1()));
    QVERIFY(grid.enabled("AnovaButton"));
    QTest::keyClick(&grid.window, Qt::Key_F1);
    QCOMPARE(s.app->helpWindow().currentPage(), QString("grid.html"));

    // On to the N-table and back to a new problem.
    s.problem().run.fixedSeed = 5;
    s.problem().run.iterations = 500;
    QTest::mouseClick(grid.button("AnovaButton"), Qt::LeftButton);
    DesignSpecificationWindow *spec = s.app->designFlow().specificationWindow();
    QVERIFY(spec->isVisible());
    QVERIFY(!grid.window.isVisible());
    QApplication::setActiveWindow(spec);
    QTest::keyClick(spec, Qt::Key_F1);
    QCOMPARE(s.app->helpWindow().currentPage(), QString("design.html"));
    child<QRadioButton>(spec, "AnovType_0")->click();
    child<QRadioButton>(spec, "Designate_2")->click();
    QTest::mouseClick(child<QPushButton>(spec, "Calculate"), Qt::LeftButton);
    KelsimTableWindow *table = s.app->designFlow().tableWindow();
    QTRY_VERIFY_WITH_TIMEOUT(table->isVisible(), 60000);
    QApplication::setActiveWindow(table);
    QTest::keyClick(table, Qt::Key_F1);
    QCOMPARE(s.app->helpWindow().currentPage(), QString("table.html"));
    QCOMPARE(table->grid()->item(0, 0)->text(), QString("R"));
    QCOMPARE(table->grid()->item(3, 0)->text(), QString("  Within"));
    QVERIFY(child<QLabel>(table, "SummaryLabel")->text().contains("  P (Person) 4"));
    s.messages.answers = {MessageAnswer::No};
    QTest::mouseClick(child<QPushButton>(table, "RestartButton"), Qt::LeftButton);
    QCOMPARE(s.messages.last().title, QString("Restart"));
    QVERIFY(!table->isVisible());
    QVERIFY(s.opening().isVisible());
    QCOMPARE(s.problem().design.factorCount(), 0);
}

QTEST_MAIN(ShellTest)
#include "ShellTest.moc"
