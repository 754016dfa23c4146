#pragma once

#include <QMainWindow>

#include <memory>

class QLabel;
class QTextDocument;

namespace kelsim {

// "Design Options": what the design choices mean, with copy and print commands.
class DesignOptionsWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit DesignOptionsWindow(QWidget *parent = nullptr);

    // The explanation texts exactly as the program copies them (paragraphs end in CR).
    static QString infoText();
    static QString infoText2();
    // "&Copy Explanation to Clipboard": the heading, then both texts.
    static QString clipboardText();
    // "&Print Explanation": the heading and the window's paragraphs.
    static std::unique_ptr<QTextDocument> printout();

  signals:
    void nestingExplanationRequested();
    void returnRequested();
    void copyRequested();
    void printRequested();
    void exitRequested();
    void helpRequested(const QString &topic);
};

// "Nesting Explanation": two paragraphs on nesting.
class NestingExplanationWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit NestingExplanationWindow(QWidget *parent = nullptr);

    static QString firstParagraph();
    static QString secondParagraph();
    static QString clipboardText();
    // "&Print Nesting Explanation": the heading and both paragraphs.
    static std::unique_ptr<QTextDocument> printout();

  signals:
    void returnRequested();
    void copyRequested();
    void printRequested();
    void exitRequested();
    void helpRequested(const QString &topic);
};

} // namespace kelsim
