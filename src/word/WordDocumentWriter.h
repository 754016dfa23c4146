#pragma once

#include "WordContent.h"
#include "WordPackage.h"

#include <QByteArray>
#include <QString>

#include <variant>

namespace kelsim {

// What an export puts into a document: the scores or the N-table.
using ExportContent = std::variant<DataDocument, TableDocument>;

struct DocumentBuild {
    QByteArray bytes;
    DocumentFailure failure;
};

// A complete new .docx document holding the content, on the given page.
DocumentBuild buildNewDocument(const ExportContent &content, const PageSetup &page);

// The existing document with the content added at the end of its body, before the final
// section properties. Everything else in the package is kept as it was; the column widths of a
// table follow the document's own page. Legacy, damaged and foreign files are refused.
DocumentBuild buildAppendedDocument(const QByteArray &existing, const ExportContent &content);

// The two on disk. Either writes the whole file or leaves the old one untouched.
DocumentFailure writeNewDocument(const QString &path, const ExportContent &content, const PageSetup &page);
DocumentFailure appendToDocument(const QString &path, const ExportContent &content);

} // namespace kelsim
