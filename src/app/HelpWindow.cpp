#include "HelpWindow.h"

#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include <map>

// The pages are compiled into the static library; its resource must be registered by name.
static void registerHelpPages()
{
    Q_INIT_RESOURCE(help);
}

namespace kelsim {

namespace {

// The pages in the order the contents list shows them.
const char *const kPageFiles[] = {"index.html",     "start.html",      "opening.html", "labels.html", "grid.html",
                                  "design.html",    "replicates.html", "nesting.html", "table.html",  "np.html",
                                  "reproduce.html", "iterations.html", "files.html",   "howto.html"};

QUrl pageUrl(const QString &file)
{
    return QUrl("qrc:/help/" + file);
}

} // namespace

HelpWindow::HelpWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName("HelpWindow");
    setWindowTitle(tr("Kelsim Help"));
    registerHelpPages();
    loadPages();

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("HelpTabs");
    contents_ = new QListWidget(tabs_);
    contents_->setObjectName("ContentsList");
    for (const Page &page : pages_)
        contents_->addItem(page.title);
    tabs_->addTab(contents_, tr("&Contents"));

    auto *search = new QWidget(tabs_);
    auto *searchLayout = new QVBoxLayout(search);
    auto *keywordCaption = new QLabel(tr("Type the first letters of a &keyword:"), search);
    searchLayout->addWidget(keywordCaption);
    keywordBox_ = new QLineEdit(search);
    keywordBox_->setObjectName("KeywordBox");
    keywordCaption->setBuddy(keywordBox_);
    searchLayout->addWidget(keywordBox_);
    keywordList_ = new QListWidget(search);
    keywordList_->setObjectName("KeywordList");
    keywordList_->addItems(keywords());
    searchLayout->addWidget(keywordList_, 2);
    searchLayout->addWidget(new QLabel(tr("Pages about it:"), search));
    topicList_ = new QListWidget(search);
    topicList_->setObjectName("TopicList");
    searchLayout->addWidget(topicList_, 1);
    tabs_->addTab(search, tr("&Search"));

    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HelpBrowser");
    browser_->setOpenExternalLinks(true);

    auto *splitter = new QSplitter(this);
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);

    QToolBar *toolbar = addToolBar(tr("Navigation"));
    toolbar->setMovable(false);
    QAction *back = toolbar->addAction(tr("&Back"), browser_, &QTextBrowser::backward);
    back->setObjectName("BackItem");
    QAction *forward = toolbar->addAction(tr("&Forward"), browser_, &QTextBrowser::forward);
    forward->setObjectName("ForwardItem");
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);

    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *close = file->addAction(tr("&Close"), this, &QWidget::hide);
    close->setShortcut(QKeySequence::Close);
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    QAction *contentsItem = help->addAction(tr("&Contents..."), this, &HelpWindow::showContents);
    contentsItem->setObjectName("ContentsItem");
    QAction *searchItem = help->addAction(tr("&Search for Help on..."), this, &HelpWindow::showSearch);
    searchItem->setObjectName("SearchItem");
    QAction *howto = help->addAction(tr("How to &Use Help"), this, &HelpWindow::showHowToUse);
    howto->setObjectName("Howtoitem");

    // The contents list follows the page shown, however it was reached.
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl &url) {
        for (size_t row = 0; row < pages_.size(); ++row)
            if (pages_[row].file == url.fileName() && contents_->currentRow() != int(row))
                contents_->setCurrentRow(int(row));
    });
    connect(contents_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < int(pages_.size()) && currentPage() != pages_[size_t(row)].file)
            browser_->setSource(pageUrl(pages_[size_t(row)].file));
    });
    connect(keywordBox_, &QLineEdit::textEdited, this, &HelpWindow::keywordTyped);
    connect(keywordBox_, &QLineEdit::returnPressed, this, &HelpWindow::keywordChosen);
    connect(keywordList_, &QListWidget::currentRowChanged, this, &HelpWindow::keywordChosen);
    connect(topicList_, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        for (const Page &page : pages_)
            if (page.title == item->text())
                showTopic(page.file);
    });
    connect(topicList_, &QListWidget::itemClicked, topicList_, &QListWidget::itemActivated);

    resize(860, 600);
    browser_->setSource(pageUrl("index.html"));
}

void HelpWindow::loadPages()
{
    static const QRegularExpression titlePattern("<title>(.*)</title>");
    static const QRegularExpression keywordPattern("<meta name=\"keywords\" content=\"([^\"]*)\"");
    for (const char *file : kPageFiles) {
        QFile resource(":/help/" + QString(file));
        if (!resource.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(resource.readAll());
        Page page;
        page.file = file;
        page.title = titlePattern.match(html).captured(1);
        for (const QString &keyword : keywordPattern.match(html).captured(1).split(',', Qt::SkipEmptyParts))
            page.keywords << keyword.trimmed();
        pages_.push_back(page);
    }
}

QStringList HelpWindow::keywords() const
{
    std::map<QString, QString> sorted; // case-folded key -> keyword as written
    for (const Page &page : pages_)
        for (const QString &keyword : page.keywords)
            sorted.emplace(keyword.toLower(), keyword);
    QStringList all;
    for (const auto &entry : sorted)
        all << entry.second;
    return all;
}

QStringList HelpWindow::topicsFor(const QString &keyword) const
{
    QStringList titles;
    for (const Page &page : pages_)
        for (const QString &k : page.keywords)
            if (k.compare(keyword, Qt::CaseInsensitive) == 0) {
                titles << page.title;
                break;
            }
    return titles;
}

void HelpWindow::keywordTyped(const QString &text)
{
    for (int row = 0; row < keywordList_->count(); ++row) {
        if (keywordList_->item(row)->text().startsWith(text.trimmed(), Qt::CaseInsensitive)) {
            keywordList_->setCurrentRow(row);
            keywordList_->scrollToItem(keywordList_->item(row), QAbstractItemView::PositionAtTop);
            return;
        }
    }
}

void HelpWindow::keywordChosen()
{
    topicList_->clear();
    if (QListWidgetItem *item = keywordList_->currentItem())
        topicList_->addItems(topicsFor(item->text()));
}

QString HelpWindow::currentPage() const
{
    return browser_->source().fileName();
}

QString HelpWindow::currentTitle() const
{
    return browser_->documentTitle();
}

void HelpWindow::present()
{
    // Help opens over the window the user asked from.
    if (!isVisible())
        placeWindow(this, QApplication::activeWindow());
    show();
    raise();
    activateWindow();
}

void HelpWindow::showContents()
{
    tabs_->setCurrentIndex(0);
    showTopic("index.html");
}

void HelpWindow::showSearch()
{
    tabs_->setCurrentIndex(1);
    present();
    keywordBox_->setFocus();
}

void HelpWindow::showHowToUse()
{
    showTopic("howto.html");
}

void HelpWindow::showTopic(const QString &page)
{
    browser_->setSource(pageUrl(page));
    present();
}

} // namespace kelsim
