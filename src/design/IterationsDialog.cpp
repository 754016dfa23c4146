#include "IterationsDialog.h"

#include "ContextHelp.h"
#include "DesignCheck.h"
#include "MessageService.h"
#include "RunSettings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <cfenv>
#include <climits>
#include <cmath>

namespace kelsim {

namespace {

const QString kOffered = QStringLiteral("100,000");

} // namespace

IterationsDialog::IterationsDialog(RunSettings &run, MessageService &messages, QWidget *parent)
    : QDialog(parent), run_(run), messages_(messages)
{
    setObjectName("IterationsDialog");
    setWindowTitle(tr("Number of Iterations"));

    // Three paragraphs; the window shows them on lines of their own.
    auto *explanation = new QLabel(
        tr("   The program uses a resampling procedure to estimate the significance levels (p-values) achieved for "
        "the substantive effects. The more iterations, the more accurate are the estimates, and the more time the "
        "program takes to do the calculations.\n"
        "    The program default is 100,000 iterations, which gives fairly accurate p-values and is reasonably "
        "speedy for a design with fewer than 100 scores. For larger designs, calculations can take up to several "
        "hours (with 500 + scores, you might want to let the program run overnight). For publication, it is "
        "recommended that at least 100,000 iterations be used.\n"
        "    If you just want a quick glance at the magnitude of the effects, without calculating p-values, set the "
        "number of iterations at 1."),
        this);
    explanation->setObjectName("Label1");
    explanation->setWordWrap(true);
    explanation->setMinimumWidth(explanation->fontMetrics().averageCharWidth() * 95);
    explanation->setMargin(6);

    auto *question = new QLabel(tr("Desired number of iterations?"), this);
    question->setObjectName("Label2");
    countBox_ = new QLineEdit(kOffered, this);
    countBox_->setObjectName("Text1");
    countBox_->setMaximumWidth(countBox_->fontMetrics().horizontalAdvance("000,000,000,000") + 16);
    attachContextHelp(countBox_, tr("Type the number of shuffles of the scores used to estimate each p-value. "
                                 "Digit groups are accepted (100,000). 1 gives the table without p-values."));
    auto *ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &IterationsDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(14);
    layout->addWidget(explanation);
    auto *row = new QHBoxLayout;
    row->addWidget(question);
    row->addWidget(countBox_);
    row->addStretch();
    row->addWidget(ok);
    layout->addLayout(row);
}

void IterationsDialog::begin()
{
    countBox_->setText(kOffered);
    open();
    countBox_->setFocus();
    countBox_->selectAll();
}

std::optional<double> IterationsDialog::parseIterations(const QString &text)
{
    // The offered text reads the same in every locale, even one that groups digits otherwise.
    if (text.trimmed() == kOffered)
        return kDefaultIterations;
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    return rounded;
}

void IterationsDialog::accept()
{
    const std::optional<double> count = parseIterations(countBox_->text());
    const std::optional<DesignProblem> problem = checkIterations(count.has_value(), count.value_or(0.0));
    if (!problem) {
        run_.iterations = static_cast<int>(*count);
        QDialog::accept();
        return;
    }
    messages_.show(QString::fromStdString(problem->text), tr("Kelsim"), MessageIcon::None, MessageButtons::Ok, this);
    run_.iterations = kDefaultIterations;
    countBox_->setText(kOffered);
    countBox_->setFocus();
}

} // namespace kelsim
