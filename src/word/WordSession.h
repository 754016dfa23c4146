#pragma once

#include <QString>

namespace kelsim {

// The program writes .docx documents itself, so a word processor is always there; it counts as
// the first Word to read that format.
constexpr int kWordVersion = 12;

// The document export's state for the whole run: owned by the application.
struct WordSession {
    int wordVersion = kWordVersion;
    QString documentPath; // the document last written; empty until one is
    QString documentDir;  // its folder, ending in the separator

    void documentWritten(const QString &path);
};

// The captions of the four Word menu items. The grid's two items carry the version for Word 2
// and 6 onwards and keep their design captions for 3 to 5; they are hidden when there is no
// word processor (version 0). The result window's two items always carry the version.
QString printDataToNewCaption(int wordVersion = kWordVersion);
QString appendDataToExistingCaption(int wordVersion = kWordVersion);
QString printTableToNewCaption(int wordVersion = kWordVersion);
QString appendTableToExistingCaption(int wordVersion = kWordVersion);
bool wordItemsVisible(int wordVersion = kWordVersion);

} // namespace kelsim
