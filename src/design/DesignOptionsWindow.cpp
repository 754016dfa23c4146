#include "DesignOptionsWindow.h"

#include "PrintService.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace kelsim {

namespace {

QLabel *paragraphLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(QString(text).replace('\r', '\n'), parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

template <typename Window> void addHelpMenu(Window *window, QMenuBar *bar)
{
    QMenu *help = bar->addMenu(Window::tr("&Help"));
    QObject::connect(help->addAction(Window::tr("&Contents...")), &QAction::triggered, window,
                     [window] { emit window->helpRequested("contents"); });
    QObject::connect(help->addAction(Window::tr("&Search for Help on...")), &QAction::triggered, window,
                     [window] { emit window->helpRequested("search"); });
    QObject::connect(help->addAction(Window::tr("How to &Use Help")), &QAction::triggered, window,
                     [window] { emit window->helpRequested("howto"); });
}

} // namespace

QString DesignOptionsWindow::infoText()
{
    return tr(
        "   The independent groups design is used when there are several scores per cell, with each score coming "
        "from a separate subject."
        "  The number of scores per cell is referred to as the number of replicates."
        "\r"
        "    If you specify an independent groups design, the program will test each source against a common "
        "error term, usually referred to as the within-cells term."
        "  In that case you will designate one of the factors as the 'replicates' factor."
        "  The designation does not change the factor's name."
        "\r"
        "   The repeated-measures design is used when a subject serves in more than one condition."
        "  In the ordinary case, the 'subjects' factor is crossed with all other factors, which means that each "
        "subject serves in every condition."
        "\r"
        "    If you specify a repeated-measures design, the program will test each source against its interaction "
        "with subjects."
        "  In that case, you will designate one of the factors as the 'subjects' factor."
        "  Again, the designation does not change the factor's name.");
}

QString DesignOptionsWindow::infoText2()
{
    return tr("    If you specify neither independent groups nor repeated-measures, the program will not compute "
              "F-ratios."
              "  This is an appropriate choice for a design in which you will manually pool certain sources."
              "\r"
              "   The design involves nesting if each level of a factor is paired with only one level of another "
              "factor."
              "  Additional information is available.");
}

QString DesignOptionsWindow::clipboardText()
{
    return QString(15, ' ') + tr("Design Explanation\r\n\r\n") + infoText() + infoText2();
}

std::unique_ptr<QTextDocument> DesignOptionsWindow::printout()
{
    // The blanks that open the window's paragraphs would only indent them unevenly on paper.
    QStringList paragraphs;
    for (const QString &paragraph : infoText().split('\r') + infoText2().split('\r'))
        paragraphs << paragraph.trimmed();
    return paragraphsDocument(tr("Design Explanation"), paragraphs);
}

DesignOptionsWindow::DesignOptionsWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName("DesignOptionsWindow");
    setWindowTitle(tr("Design Options"));
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(paragraphLabel("Infolabel", infoText(), central));
    layout->addWidget(paragraphLabel("Infolabel2", infoText2(), central));
    auto *nesting = new QPushButton(tr("&Nesting Explanation..."), central);
    nesting->setObjectName("NestingButton");
    auto *back = new QPushButton(tr("&Return to Specification Window"), central);
    back->setObjectName("ReturnButton");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(nesting);
    buttons->addWidget(back);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch();
    setCentralWidget(central);

    connect(nesting, &QPushButton::clicked, this, [this] {
        hide();
        emit nestingExplanationRequested();
    });
    connect(back, &QPushButton::clicked, this, [this] {
        hide();
        emit returnRequested();
    });
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *print = file->addAction(tr("&Print Explanation"));
    print->setObjectName("PrintItem");
    QAction *exit = file->addAction(tr("E&xit Alt + F4"));
    exit->setObjectName("ExitItem");
    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    QAction *copy = edit->addAction(tr("&Copy Explanation to Clipboard"));
    copy->setObjectName("CopyItem");
    connect(print, &QAction::triggered, this, &DesignOptionsWindow::printRequested);
    connect(exit, &QAction::triggered, this, &DesignOptionsWindow::exitRequested);
    connect(copy, &QAction::triggered, this, &DesignOptionsWindow::copyRequested);
    addHelpMenu(this, menuBar());
    resize(640, 520);
}

QString NestingExplanationWindow::firstParagraph()
{
    return tr(
        "The term \"nesting\" refers to a hierarchical relationship between a pair of factors, such that each level "
        "of the nested factor is paired with only one level of the factor under which it is nested. Nesting is "
        "forced upon an experiment when it is not feasible to cross factors in the usual way. For example, in a "
        "fully-crossed repeated-measures design, each subject generates a score in every experimental condition. "
        "But suppose one of the factors is gender of the subject. Since a given subject cannot be assigned to both "
        "levels of that factor, it is necessary to nest subjects under gender. As a consequence, the interaction "
        "between subjects and gender is not estimable.");
}

QString NestingExplanationWindow::secondParagraph()
{
    return tr(
        "The program will handle complex nesting. For example, a factor may be nested under two or more factors "
        "simultaneously. Nesting may be hierarchical, so that a factor is nested under another, which is in turn "
        "nested under a third. These complex nests generate pooled sources, which are identified in the KELSIM "
        "table by a plus sign (+) following the primary source label. The user needs to specify only the pairwise "
        "nesting relations; the program will automatically determine the implicit nests.");
}

QString NestingExplanationWindow::clipboardText()
{
    return QString(15, ' ') + tr("Nesting Explanation\r\n\r\n") + firstParagraph() + "\r\n" + secondParagraph();
}

std::unique_ptr<QTextDocument> NestingExplanationWindow::printout()
{
    return paragraphsDocument(tr("Nesting Explanation"), {firstParagraph(), secondParagraph()});
}

NestingExplanationWindow::NestingExplanationWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName("NestingExplanationWindow");
    setWindowTitle(tr("Nesting Explanation"));
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(paragraphLabel("Label1", firstParagraph(), central));
    layout->addWidget(paragraphLabel("Label2", secondParagraph() + "\r\n", central));
    auto *back = new QPushButton(tr("&Return to Specification Window"), central);
    back->setObjectName("ReturnButton");
    layout->addWidget(back, 0, Qt::AlignLeft);
    layout->addStretch();
    setCentralWidget(central);
    connect(back, &QPushButton::clicked, this, [this] {
        hide();
        emit returnRequested();
    });
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *print = file->addAction(tr("&Print Nesting Explanation"));
    print->setObjectName("PrintItem");
    QAction *exit = file->addAction(tr("E&xit Alt + F4"));
    exit->setObjectName("ExitItem");
    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    QAction *copy = edit->addAction(tr("&Copy Nesting Explanation to Clipboard"));
    copy->setObjectName("CopyItem");
    connect(print, &QAction::triggered, this, &NestingExplanationWindow::printRequested);
    connect(exit, &QAction::triggered, this, &NestingExplanationWindow::exitRequested);
    connect(copy, &QAction::triggered, this, &NestingExplanationWindow::copyRequested);
    addHelpMenu(this, menuBar());
    resize(600, 420);
}

} // namespace kelsim
