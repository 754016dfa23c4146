#pragma once

#include <QMainWindow>
#include <QStringList>

#include <vector>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

namespace kelsim {

// The program's help: pages built into the program, a contents list, a keyword search and a page
// on how to use help.
class HelpWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget *parent = nullptr);

    void showContents();
    void showSearch();
    void showHowToUse();
    // A page by its file name, "grid.html".
    void showTopic(const QString &page);

    QString currentPage() const;
    QString currentTitle() const;
    QStringList keywords() const;
    // Titles of the pages that carry a keyword.
    QStringList topicsFor(const QString &keyword) const;

  private:
    struct Page {
        QString file;
        QString title;
        QStringList keywords;
    };

    void loadPages();
    void keywordTyped(const QString &text);
    void keywordChosen();
    void present();

    std::vector<Page> pages_;
    QTabWidget *tabs_;
    QListWidget *contents_;
    QLineEdit *keywordBox_;
    QListWidget *keywordList_;
    QListWidget *topicList_;
    QTextBrowser *browser_;
};

} // namespace kelsim
