#include "UpDownButtons.h"

#include "Format.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kelsim {

UpDownButtons::UpDownButtons(QLineEdit *buddy, int minimum, int maximum, QWidget *parent)
    : QWidget(parent), buddy_(buddy), minimum_(minimum), maximum_(maximum)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setObjectName("Up");
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setObjectName("Down");
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton *button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(18, 12);
        layout->addWidget(button);
    }
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDownButtons::stepBy(int steps)
{
    const double current = leadingValue(buddy_->text().toStdString());
    const double next = std::clamp(current + steps, double(minimum_), double(maximum_));
    buddy_->setText(QString::number(static_cast<int>(next)));
}

} // namespace kelsim
