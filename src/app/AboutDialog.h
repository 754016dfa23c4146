#pragma once

#include <QDialog>

namespace kelsim {

// "About Kelsim": the program's name and version.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget *parent = nullptr);
};

} // namespace kelsim
