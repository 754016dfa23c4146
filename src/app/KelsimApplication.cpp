#include "KelsimApplication.h"

#include "ClipboardService.h"
#include "CommandGuard.h"
#include "ContextHelp.h"
#include "DesignFlow.h"
#include "PrintService.h"
#include "WordExport.h"
#include "WordSession.h"

#include "AboutDialog.h"
#include "DataEntryGrid.h"
#include "DataFileCommands.h"
#include "HelpWindow.h"
#include "LevelLabelsWindow.h"
#include "MessageService.h"
#include "OpeningScreen.h"
#include "RecentFileList.h"
#include "ScoreGridModel.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTableView>

namespace kelsim {

namespace {

// Where the file dialogs start: the program's folder, as data files have always been kept
// beside the program; an installed program's folder cannot take them, so then the user's
// documents folder.
QString dataFileFolder()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(programDir).isWritable())
        return programDir;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void present(QWidget *window)
{
    window->raise();
    window->activateWindow();
}

} // namespace

KelsimApplication::KelsimApplication(MessageService &messages, FileDialogService &fileDialogs, SettingsStore &settings,
                                     ClipboardService &clipboard, PrintService &printer, QObject *parent)
    : QObject(parent), messages_(messages), fileDialogs_(fileDialogs), settings_(settings), clipboard_(clipboard),
      printer_(printer), webAddress_(QStringLiteral(KELSIM_WEB_ADDRESS))
{
    openUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    endProgram = [] { QCoreApplication::exit(0); };
    recentFiles_ = std::make_unique<RecentFileList>();
    dataFiles_ = std::make_unique<DataFileCommands>(problem_, *recentFiles_, settings_, messages_, fileDialogs_,
                                                    dataFileFolder());
    dataFiles_->onRecentFilesChanged = [this] { showRecentFiles(); };
    dataFiles_->gridScores = [this]() -> std::optional<std::vector<DataFileScore>> {
        if (!gridLoaded_ || !grid_)
            return std::nullopt;
        return grid_->gridImage();
    };
    dataFiles_->onSaving = [this](const QString &notice) {
        if (grid_)
            grid_->showSavingNotice(notice);
    };
}

KelsimApplication::~KelsimApplication() = default;

void KelsimApplication::start()
{
    preferences_ = readPreferences(settings_);
    recentFiles_->read(settings_);
    openingScreen().resetToStartUp();
    showRecentFiles();
    showWithPreferredState(&openingScreen());
}

void KelsimApplication::showRecentFiles()
{
    openingScreen().showRecentFiles(recentFiles_->captions());
}

OpeningScreen &KelsimApplication::openingScreen()
{
    if (opening_)
        return *opening_;
    opening_ = std::make_unique<OpeningScreen>(problem_, preferences_, messages_);
    OpeningScreen *opening = opening_.get();
    connect(opening, &OpeningScreen::levelLabelsRequested, this, &KelsimApplication::showLevelLabels);
    connect(opening, &OpeningScreen::dataEntryRequested, this, &KelsimApplication::showDataEntryGrid);
    connect(opening, &OpeningScreen::recentFileRequested, this, [this](int position) {
        const QString path = position <= recentFiles_->count() ? recentFiles_->entry(position).path : QString();
        runGuarded(messages_, tr("Opening %1").arg(path), opening_.get(), [&] { reopenRecentFile(position); });
    });
    connect(opening, &OpeningScreen::useLevelLabelsChanged, this, &KelsimApplication::setUseLevelLabels);
    connect(opening, &OpeningScreen::runMaximizedChanged, this, &KelsimApplication::setRunMaximized);
    connect(opening, &OpeningScreen::exitRequested, this, [this] { exit(); });
    connect(opening, &OpeningScreen::helpContentsRequested, this, &KelsimApplication::showHelpContents);
    connect(opening, &OpeningScreen::helpSearchRequested, this, &KelsimApplication::showHelpSearch);
    connect(opening, &OpeningScreen::helpTopicRequested, this, &KelsimApplication::showHelpTopic);
    connect(opening, &OpeningScreen::onlineInformationRequested, this, &KelsimApplication::showOnlineInformation);
    connect(opening, &OpeningScreen::aboutRequested, this, &KelsimApplication::showAbout);
    return *opening_;
}

LevelLabelsWindow &KelsimApplication::levelLabelsWindow()
{
    if (!labels_) {
        labels_ = std::make_unique<LevelLabelsWindow>(problem_, messages_);
        connect(labels_.get(), &LevelLabelsWindow::returnRequested, this, &KelsimApplication::showOpeningScreenAgain);
        addTopicHelpKey(labels_.get(), [this] { showHelpTopic("labels.html"); });
    }
    return *labels_;
}

DataEntryGrid &KelsimApplication::dataEntryGrid()
{
    if (grid_)
        return *grid_;
    grid_ = std::make_unique<DataEntryGrid>(problem_, preferences_, messages_, clipboard_, printer_, *dataFiles_,
                                            wordExport());
    DataEntryGrid *grid = grid_.get();
    connect(grid, &DataEntryGrid::designSpecificationRequested, this, &KelsimApplication::showDesignSpecification);
    connect(grid, &DataEntryGrid::restartRequested, this, [this] { restart(); });
    connect(grid, &DataEntryGrid::exitRequested, this, [this] { exit(); });
    connect(grid, &DataEntryGrid::helpTopicRequested, this, &KelsimApplication::showHelpTopic);
    return *grid_;
}

HelpWindow &KelsimApplication::helpWindow()
{
    if (!help_)
        help_ = std::make_unique<HelpWindow>();
    return *help_;
}

AboutDialog &KelsimApplication::aboutDialog()
{
    if (!about_)
        about_ = std::make_unique<AboutDialog>(&openingScreen());
    return *about_;
}

// ---- the road through a problem ---------------------------------------------------------------

void KelsimApplication::showLevelLabels()
{
    openingScreen().hide();
    LevelLabelsWindow &labels = levelLabelsWindow();
    labels.show();
    labels.begin();
    present(&labels);
}

void KelsimApplication::showOpeningScreenAgain()
{
    openingScreen().show();
    present(&openingScreen());
}

void KelsimApplication::showDataEntryGrid()
{
    DataSession &session = problem_.session;
    if (grid_ && session.fileReadFailed) {
        // The grid of a failed automatic read is built afresh.
        gridLoaded_ = false;
        session.fileReadFailed = false;
    }
    const bool fresh = !gridLoaded_;
    DataEntryGrid &grid = dataEntryGrid();
    if (fresh) {
        grid.load();
        gridLoaded_ = true;
        showWithPreferredState(&grid);
    } else {
        grid.show();
        present(&grid);
    }
    grid.grid()->setFocus();
    openingScreen().hide();
    if (fresh && session.readFileOnOpen)
        readDataFileOnOpen(grid);
}

void KelsimApplication::reopenRecentFile(int position)
{
    // The remembered file replaces the grid's scores: they are not dropped unasked.
    if (!confirmUnsavedDataGuarded(tr("Open File")))
        return;
    dataFiles_->setOwner(&openingScreen());
    if (!dataFiles_->reopenRecentFile(position))
        return;
    // The grid is built afresh for the remembered design and reads the file.
    gridLoaded_ = false;
    // The opening screen shows the remembered design, as if the user had typed it and confirmed.
    openingScreen().showRemembered(problem_.design, problem_.labelsInUse);
    showDataEntryGrid();
}

void KelsimApplication::readDataFileOnOpen(DataEntryGrid &grid)
{
    dataFiles_->setOwner(&grid);
    AutoReadResult read;
    const bool finished = runGuarded(messages_, tr("Opening %1").arg(problem_.session.dataFilePath), &grid,
                                     [&] { read = dataFiles_->readFileOnOpen(); });
    if (finished && read.outcome == AutoReadOutcome::Read) {
        grid.showScoresRead(read.scores);
        return;
    }
    // The grid of a failed read is abandoned; the next one is built afresh.
    gridLoaded_ = false;
    grid.hide();
    showOpeningScreenAgain();
}

void KelsimApplication::showDesignSpecification()
{
    ++designSpecificationRequests_;
    if (grid_)
        grid_->hide();
    designFlow().openDesignSpecification(grid_.get());
}

WordExport &KelsimApplication::wordExport()
{
    if (!word_) {
        wordSession_ = std::make_unique<WordSession>();
        word_ = std::make_unique<WordExport>(messages_, fileDialogs_, *wordSession_);
    }
    return *word_;
}

DesignFlow &KelsimApplication::designFlow()
{
    if (flow_)
        return *flow_;
    flow_ = std::make_unique<DesignFlow>(problem_, messages_, preferences_, clipboard_, printer_);
    flow_->setWordExport(&wordExport());
    connect(flow_.get(), &DesignFlow::gridRequested, this, &KelsimApplication::showDataEntryGrid);
    connect(flow_.get(), &DesignFlow::newProblemRequested, this, [this] { restart(); });
    connect(flow_.get(), &DesignFlow::exitRequested, this, [this] { exit(); });
    connect(flow_.get(), &DesignFlow::helpRequested, this, [this](const QString &topic) {
        if (topic == "search")
            showHelpSearch();
        else if (topic == "howto")
            showHowToUseHelp();
        else if (topic.endsWith(".html"))
            showHelpTopic(topic);
        else
            showHelpContents();
    });
    return *flow_;
}

bool KelsimApplication::restart()
{
    if (!confirmUnsavedDataGuarded(tr("Restart")))
        return false;
    problem_.reset();
    gridLoaded_ = false;
    if (flow_)
        flow_->closeAll();
    if (grid_)
        grid_->hide();
    if (labels_)
        labels_->hide();
    openingScreen().resetToStartUp();
    showWithPreferredState(&openingScreen());
    return true;
}

bool KelsimApplication::exit()
{
    if (exited_)
        return true;
    if (!confirmUnsavedDataGuarded(tr("Exit")))
        return false;
    exited_ = true;
    if (flow_)
        flow_->closeAll();
    for (QWidget *window :
         std::initializer_list<QWidget *>{help_.get(), about_.get(), labels_.get(), grid_.get(), opening_.get()})
        if (window)
            window->hide();
    if (endProgram)
        endProgram();
    return true;
}

bool KelsimApplication::confirmUnsavedDataGuarded(const QString &title)
{
    // A save that fails with an exception keeps the program and its scores where they are.
    QWidget *owner = QApplication::activeWindow();
    bool confirmed = false;
    runGuarded(messages_, title, owner, [&] {
        dataFiles_->setOwner(owner);
        confirmed = dataFiles_->askAboutUnsavedData(title);
    });
    return confirmed;
}

// ---- preferences ------------------------------------------------------------------------------

void KelsimApplication::setUseLevelLabels(bool on)
{
    preferences_.useLevelLabels = on;
    saveUseLevelLabels(settings_, on);
}

void KelsimApplication::setRunMaximized(bool on)
{
    preferences_.runMaximized = on;
    saveRunMaximized(settings_, on);
    if (opening_ && opening_->isVisible()) {
        if (on)
            opening_->showMaximized();
        else
            opening_->showNormal();
    }
}

void KelsimApplication::showWithPreferredState(QWidget *window)
{
    if (preferences_.runMaximized)
        window->showMaximized();
    else
        window->showNormal();
    present(window);
}

// ---- help -------------------------------------------------------------------------------------

void KelsimApplication::showHelpContents()
{
    helpWindow().showContents();
}

void KelsimApplication::showHelpSearch()
{
    helpWindow().showSearch();
}

void KelsimApplication::showHowToUseHelp()
{
    helpWindow().showHowToUse();
}

void KelsimApplication::showHelpTopic(const QString &page)
{
    helpWindow().showTopic(page);
}

void KelsimApplication::showOnlineInformation()
{
    if (!webAddress_.isEmpty() && openUrl && openUrl(QUrl(webAddress_)))
        return;
    showHelpContents();
}

void KelsimApplication::showAbout()
{
    aboutDialog().open();
}

} // namespace kelsim
