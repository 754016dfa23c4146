#include "AboutDialog.h"

#include "Version.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelsim {

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName("AboutDialog");
    setWindowTitle(tr("About Kelsim"));

    auto *title = new QLabel(tr("Kelsim"), this);
    title->setObjectName("TitleLabel");
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    title->setFont(big);
    auto *version = new QLabel(tr("Version %1").arg(QString::fromLatin1(kProgramVersion)), this);
    version->setObjectName("VersionLabel");
    auto *description = new QLabel(tr("Analysis of variance for categorical scores: designs of two to six factors, "
                                      "independent groups or repeated measures, crossed or nested, with permutation "
                                      "p-values (exact for small designs)."),
                                   this);
    description->setObjectName("DescriptionLabel");
    description->setWordWrap(true);
    description->setMinimumWidth(description->fontMetrics().averageCharWidth() * 50);

    auto *ok = new QPushButton(tr("&OK"), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::hide);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addWidget(description);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    layout->addLayout(row);
}

} // namespace kelsim
