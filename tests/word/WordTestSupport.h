#pragma once

#include "WordContent.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

namespace kelsim::test {

// A crossed two-factor table as the result window shows it, with its intervals and facts line,
// ending in the empty row a crossed table has.
TableDocument sampleTable();
// Six scores of a 2 x 3 design.
DataDocument sampleData();

QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);

// A zip package from (entry name, data) pairs, in that order.
QByteArray makePackage(const QList<QPair<QString, QByteArray>> &entries);
// Every entry of a zip package by name.
QMap<QString, QByteArray> packageEntries(const QByteArray &package);

// The main document part of a .docx package as a Word-like document with the given body
// (without the final section properties, which are added: A4 with 1.25-inch side margins).
QByteArray wordLikeMainPart(const QString &bodyContent);
// A whole .docx package around a main part, with styles, settings and properties parts.
QByteArray wordLikePackage(const QByteArray &mainPart);

// A fixture file under tests/data/word.
QString fixturePath(const QString &name);

} // namespace kelsim::test
