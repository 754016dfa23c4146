// Times the largest grid: building and showing it for 16352 scores, typing every score with its
// Enter key, and "Data OK". Not a test: it prints its figures.
//     grid_bench [rounds]      (QT_QPA_PLATFORM=offscreen when there is no display)

#include "TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

using namespace kelsim;
using namespace kelsim::test;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication qapp(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    std::vector<double> openMs, typeMs, confirmMs;
    for (int round = 0; round < rounds; ++round) {
        Session s;
        s.describe({{"Subject", 16}, {"Item", 1022}});
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(s.button("Command2"), Qt::LeftButton);
        if (!QTest::qWaitForWindowExposed(&s.grid()))
            std::fprintf(stderr, "the grid was not shown\n");
        QApplication::processEvents(); // the first paint of the grid
        openMs.push_back(timer.nsecsElapsed() / 1e6);

        DataEntryGrid &grid = s.grid();
        QApplication::setActiveWindow(&grid);
        timer.restart();
        for (int row = 0; row < grid.scores().scoreCount(); ++row) {
            QTest::keyClick(grid.grid(), char('a' + row % 5));
            QTest::keyClick(grid.grid(), Qt::Key_Return);
        }
        QApplication::processEvents();
        typeMs.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        QTest::mouseClick(child<QPushButton>(&grid, "DataOkButton"), Qt::LeftButton);
        QApplication::processEvents();
        confirmMs.push_back(timer.nsecsElapsed() / 1e6);
        if (s.problem().scores.count() != 16352 || !s.messages.shown.empty()) {
            std::fprintf(stderr, "the scores were not confirmed\n");
            return 1;
        }
    }
    std::printf("16352 scores, median of %d rounds (%s platform):\n", rounds,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  open the grid:          %8.1f ms\n", median(openMs));
    std::printf("  type every score+Enter: %8.1f ms (%.3f ms a score)\n", median(typeMs), median(typeMs) / 16352);
    std::printf("  Data OK:                %8.1f ms\n", median(confirmMs));
    return 0;
}
