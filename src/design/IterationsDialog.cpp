#include "IterationsDialog.h"

#include "ContextHelp.h"
#include "DesignCheck.h"
#include "MessageService.h"
#include "RunSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>

namespace kelsim {

namespace {

const QString kOffered = QStringLiteral("100,000");
const QString kOfferedPrecision = QStringLiteral(".01");

QString plainDecimal(double value)
{
    QString text = QString::number(value, 'g', 6);
    return text.startsWith(QLatin1String("0.")) ? text.mid(1) : text;
}

} // namespace

IterationsDialog::IterationsDialog(RunSettings &run, MessageService &messages, QWidget *parent)
    : QDialog(parent), run_(run), messages_(messages)
{
    setObjectName("IterationsDialog");
    setWindowTitle(tr("Number of Iterations"));

    // Three paragraphs; the window shows them on lines of their own. The times were measured with
    // kelsim-cli on generated scores on a two-core computer with both cores free: 0.1 to 0.3 s for
    // 500 scores; for 4 x 4 x 4 x 4 x 4 x 15 scores 1.6 s with two categories, 6.5 s with fifty and
    // 9 s with two hundred.
    auto *explanation = new QLabel(
        tr("   The program uses a resampling procedure to estimate the significance levels (p-values) achieved for "
           "the substantive effects: it shuffles the scores over the cells and counts the shuffles whose N-ratio is "
           "at least as large as the observed one. p = (1 + those shuffles) / iterations, so p is never 0 and the "
           "smallest p a run can give is 1 / iterations. The more iterations, the more accurate are the estimates; "
           "each p is shown with its 99% interval. When a design has no more distinct arrangements of its scores "
           "than the iterations, every arrangement is counted once and the p-values are exact.\n"
           "    The program default is 100,000 iterations, which gives fairly accurate p-values. On an ordinary "
           "computer they take well under a second for a design of 500 scores and from about two to about ten "
           "seconds for a six-factor design of 16,000 scores, the more the more different scores it holds; a run "
           "shows its progress and can be cancelled. For publication, it "
           "is recommended that at least 100,000 iterations be used.\n"
           "    If you just want a quick glance at the magnitude of the effects, without calculating p-values, set "
           "the number of iterations at 1."),
        this);
    explanation->setObjectName("Label1");
    explanation->setWordWrap(true);
    explanation->setMinimumWidth(explanation->fontMetrics().averageCharWidth() * 80);
    explanation->setMargin(6);

    auto *question = new QLabel(tr("Desired number of iterations?"), this);
    question->setObjectName("Label2");
    countBox_ = new QLineEdit(kOffered, this);
    countBox_->setObjectName("Text1");
    const int boxWidth = countBox_->fontMetrics().horizontalAdvance("00000000000000000000") + 16;
    countBox_->setMaximumWidth(boxWidth);
    attachContextHelp(countBox_, tr("Type the number of shuffles of the scores used to estimate each p-value. "
                                    "Digit groups are accepted (100,000). 1 gives the table without p-values."));

    randomSeed_ = new QRadioButton(tr("&Random"), this);
    randomSeed_->setObjectName("SeedRandom");
    fixedSeed_ = new QRadioButton(tr("&Fixed:"), this);
    fixedSeed_->setObjectName("SeedFixed");
    seedBox_ = new QLineEdit(this);
    seedBox_->setObjectName("SeedBox");
    seedBox_->setMaximumWidth(boxWidth);
    auto *seeds = new QButtonGroup(this);
    seeds->addButton(randomSeed_);
    seeds->addButton(fixedSeed_);
    // Typing a seed means wanting it.
    connect(seedBox_, &QLineEdit::textEdited, fixedSeed_, [this] { fixedSeed_->setChecked(true); });
    attachContextHelp(seedBox_, tr("A random seed gives every run shuffles of its own; the table shows the seed it "
                                   "used. A fixed seed (a whole number from 0 to 18446744073709551615) gives the "
                                   "same p-values every time, here and with kelsim-cli --seed."));

    stopWhenPrecise_ = new QCheckBox(tr("&Stop early once every p's interval is narrower than"), this);
    stopWhenPrecise_->setObjectName("StopWhenPrecise");
    precisionBox_ = new QLineEdit(kOfferedPrecision, this);
    precisionBox_->setObjectName("PrecisionBox");
    precisionBox_->setMaximumWidth(countBox_->fontMetrics().horizontalAdvance("0.00000") + 16);
    connect(precisionBox_, &QLineEdit::textEdited, stopWhenPrecise_, [this] { stopWhenPrecise_->setChecked(true); });
    attachContextHelp(precisionBox_, tr("The run stops before its iterations are used up once every p's 99% interval "
                                        "is narrower than this width, or lies wholly on one side of .05 and of .01. "
                                        "The table says how many iterations were used."));

    exactWhenSmall_ =
        new QCheckBox(tr("&Exact p-values for designs with no more arrangements than the iterations"), this);
    exactWhenSmall_->setObjectName("ExactWhenSmall");

    wholeShuffle_ = new QRadioButton(tr("&Whole table"), this);
    wholeShuffle_->setObjectName("ShuffleWhole");
    restrictedShuffle_ = new QRadioButton(tr("Res&tricted to the units the design exchanges"), this);
    restrictedShuffle_->setObjectName("ShuffleRestricted");
    auto *shuffles = new QButtonGroup(this);
    shuffles->addButton(wholeShuffle_);
    shuffles->addButton(restrictedShuffle_);
    attachContextHelp(restrictedShuffle_,
                      tr("For repeated-measures and nested designs: a within-subject source is tested by shuffling "
                         "scores only among each subject's own cells, a between-subject source by moving each "
                         "subject's scores whole, and a nested unit's scores move together. Independent groups "
                         "without nesting are shuffled over the whole table either way."));

    auto *ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &IterationsDialog::accept);

    auto *choices = new QGridLayout;
    choices->setHorizontalSpacing(12);
    choices->addWidget(question, 0, 0);
    choices->addWidget(countBox_, 0, 1, 1, 2, Qt::AlignLeft);
    choices->addWidget(new QLabel(tr("Seed:"), this), 1, 0);
    auto *seedRow = new QHBoxLayout;
    seedRow->addWidget(randomSeed_);
    seedRow->addSpacing(12);
    seedRow->addWidget(fixedSeed_);
    seedRow->addWidget(seedBox_);
    seedRow->addStretch();
    choices->addLayout(seedRow, 1, 1, 1, 2);
    choices->addWidget(new QLabel(tr("Precision:"), this), 2, 0);
    auto *precisionRow = new QHBoxLayout;
    precisionRow->addWidget(stopWhenPrecise_);
    precisionRow->addWidget(precisionBox_);
    precisionRow->addStretch();
    choices->addLayout(precisionRow, 2, 1, 1, 2);
    choices->addWidget(new QLabel(tr("Small designs:"), this), 3, 0);
    choices->addWidget(exactWhenSmall_, 3, 1, 1, 2);
    choices->addWidget(new QLabel(tr("Shuffle:"), this), 4, 0);
    auto *shuffleRow = new QHBoxLayout;
    shuffleRow->addWidget(wholeShuffle_);
    shuffleRow->addSpacing(12);
    shuffleRow->addWidget(restrictedShuffle_);
    shuffleRow->addStretch();
    choices->addLayout(shuffleRow, 4, 1, 1, 2);
    choices->setColumnStretch(2, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(14);
    layout->addWidget(explanation);
    layout->addLayout(choices);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
}

void IterationsDialog::begin()
{
    countBox_->setText(kOffered);
    (run_.fixedSeed ? fixedSeed_ : randomSeed_)->setChecked(true);
    seedBox_->setText(run_.fixedSeed ? QString::number(*run_.fixedSeed) : QString());
    stopWhenPrecise_->setChecked(run_.precision > 0.0);
    precisionBox_->setText(run_.precision > 0.0 ? plainDecimal(run_.precision) : kOfferedPrecision);
    exactWhenSmall_->setChecked(run_.exact == ExactMode::Auto);
    (run_.shuffle == ShuffleMode::Restricted ? restrictedShuffle_ : wholeShuffle_)->setChecked(true);
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

std::optional<uint64_t> IterationsDialog::parseSeed(const QString &text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty() || std::any_of(digits.begin(), digits.end(), [](QChar c) { return !c.isDigit(); }))
        return std::nullopt;
    bool ok = false;
    const qulonglong seed = digits.toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return seed;
}

std::optional<double> IterationsDialog::parsePrecision(const QString &text)
{
    bool ok = false;
    double value = QLocale().toDouble(text.trimmed(), &ok);
    // ".01" as the command line writes it, whatever the user's decimal sign.
    if (!ok)
        value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !(value > 0.0 && value < 1.0))
        return std::nullopt;
    return value;
}

void IterationsDialog::refuse(const QString &text, QLineEdit *box)
{
    messages_.show(text, tr("Kelsim"), MessageIcon::Exclamation, MessageButtons::Ok, this);
    box->setFocus();
    box->selectAll();
}

void IterationsDialog::accept()
{
    const std::optional<double> count = parseIterations(countBox_->text());
    if (const std::optional<DesignProblem> problem = checkIterations(count.has_value(), count.value_or(0.0))) {
        messages_.show(QString::fromStdString(problem->text), tr("Kelsim"), MessageIcon::None, MessageButtons::Ok,
                       this);
        run_.iterations = kDefaultIterations;
        countBox_->setText(kOffered);
        countBox_->setFocus();
        return;
    }
    std::optional<uint64_t> seed;
    if (fixedSeed_->isChecked()) {
        seed = parseSeed(seedBox_->text());
        if (!seed) {
            refuse(tr("The seed must be a whole number from 0 to 18446744073709551615, such as 12345.  Choose "
                      "\"Random\" for a fresh seed at every run."),
                   seedBox_);
            return;
        }
    }
    std::optional<double> precision;
    if (stopWhenPrecise_->isChecked()) {
        precision = parsePrecision(precisionBox_->text());
        if (!precision) {
            refuse(tr("The interval width at which a run stops must be a number between 0 and 1, such as .01."),
                   precisionBox_);
            return;
        }
    }
    run_.iterations = static_cast<int>(*count);
    run_.fixedSeed = seed;
    run_.precision = precision.value_or(0.0);
    run_.exact = exactWhenSmall_->isChecked() ? ExactMode::Auto : ExactMode::Never;
    run_.shuffle = restrictedShuffle_->isChecked() ? ShuffleMode::Restricted : ShuffleMode::Whole;
    QDialog::accept();
}

} // namespace kelsim
