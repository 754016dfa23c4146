#include "WordDocumentWriter.h"

#include "WordBody.h"

#include <QXmlStreamWriter>

namespace kelsim {

namespace {

const QString kPackageRelationshipsNs = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kContentTypesNs = QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types");
const QString kOfficeRelationshipTypes =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
const QString kWordTypes = QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.");

// The font a new document starts with; the export's text is set in Courier New against it.
const QString kDefaultFont = QStringLiteral("Times New Roman");
constexpr int kDefaultSizeHalfPoints = 24;

void writeContent(BodyWriter &body, const ExportContent &content, const PageSetup &page, const FontAttributes &endFont)
{
    if (const auto *data = std::get_if<DataDocument>(&content))
        body.writeData(*data, endFont);
    else
        body.writeTable(std::get<TableDocument>(content), page, endFont);
}

QByteArray contentTypesPart()
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("Types"));
    xml.writeDefaultNamespace(kContentTypesNs);
    xml.writeEmptyElement(QStringLiteral("Default"));
    xml.writeAttribute(QStringLiteral("Extension"), QStringLiteral("rels"));
    xml.writeAttribute(QStringLiteral("ContentType"),
                       QStringLiteral("application/vnd.openxmlformats-package.relationships+xml"));
    xml.writeEmptyElement(QStringLiteral("Default"));
    xml.writeAttribute(QStringLiteral("Extension"), QStringLiteral("xml"));
    xml.writeAttribute(QStringLiteral("ContentType"), QStringLiteral("application/xml"));
    const QList<QPair<QString, QString>> overrides = {
        {QStringLiteral("/word/document.xml"), kWordTypes + QStringLiteral("document.main+xml")},
        {QStringLiteral("/word/styles.xml"), kWordTypes + QStringLiteral("styles+xml")},
        {QStringLiteral("/word/settings.xml"), kWordTypes + QStringLiteral("settings+xml")},
    };
    for (const auto &part : overrides) {
        xml.writeEmptyElement(QStringLiteral("Override"));
        xml.writeAttribute(QStringLiteral("PartName"), part.first);
        xml.writeAttribute(QStringLiteral("ContentType"), part.second);
    }
    xml.writeEndDocument();
    return out;
}

QByteArray relationshipsPart(const QList<QPair<QString, QString>> &typeAndTarget)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("Relationships"));
    xml.writeDefaultNamespace(kPackageRelationshipsNs);
    int id = 0;
    for (const auto &relationship : typeAndTarget) {
        xml.writeEmptyElement(QStringLiteral("Relationship"));
        xml.writeAttribute(QStringLiteral("Id"), QStringLiteral("rId%1").arg(++id));
        xml.writeAttribute(QStringLiteral("Type"), kOfficeRelationshipTypes + relationship.first);
        xml.writeAttribute(QStringLiteral("Target"), relationship.second);
    }
    xml.writeEndDocument();
    return out;
}

QByteArray stylesPart()
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    auto w = [](const char *local) { return QStringLiteral("w:") + QLatin1String(local); };
    auto empty = [&](const char *local, const char *attribute, const QString &value) {
        xml.writeEmptyElement(w(local));
        xml.writeAttribute(w(attribute), value);
    };
    auto style = [&](const char *type, const char *id, const char *name) {
        xml.writeStartElement(w("style"));
        xml.writeAttribute(w("type"), QLatin1String(type));
        xml.writeAttribute(w("default"), QStringLiteral("1"));
        xml.writeAttribute(w("styleId"), QLatin1String(id));
        empty("name", "val", QLatin1String(name));
    };

    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(w("styles"));
    xml.writeAttribute(QStringLiteral("xmlns:w"), kWordprocessingNs);
    xml.writeStartElement(w("docDefaults"));
    xml.writeStartElement(w("rPrDefault"));
    xml.writeStartElement(w("rPr"));
    xml.writeEmptyElement(w("rFonts"));
    for (const char *script : {"ascii", "eastAsia", "hAnsi", "cs"})
        xml.writeAttribute(w(script), kDefaultFont);
    empty("sz", "val", QString::number(kDefaultSizeHalfPoints));
    empty("szCs", "val", QString::number(kDefaultSizeHalfPoints));
    xml.writeEndElement(); // rPr
    xml.writeEndElement(); // rPrDefault
    xml.writeEmptyElement(w("pPrDefault"));
    xml.writeEndElement(); // docDefaults

    style("paragraph", "Normal", "Normal");
    xml.writeEmptyElement(w("qFormat"));
    xml.writeEndElement();

    style("character", "DefaultParagraphFont", "Default Paragraph Font");
    empty("uiPriority", "val", QStringLiteral("1"));
    xml.writeEmptyElement(w("semiHidden"));
    xml.writeEmptyElement(w("unhideWhenUsed"));
    xml.writeEndElement();

    style("table", "TableNormal", "Normal Table");
    empty("uiPriority", "val", QStringLiteral("99"));
    xml.writeEmptyElement(w("semiHidden"));
    xml.writeEmptyElement(w("unhideWhenUsed"));
    xml.writeStartElement(w("tblPr"));
    xml.writeEmptyElement(w("tblInd"));
    xml.writeAttribute(w("w"), QStringLiteral("0"));
    xml.writeAttribute(w("type"), QStringLiteral("dxa"));
    xml.writeStartElement(w("tblCellMar"));
    for (const auto &side :
         {std::pair{"top", 0}, std::pair{"left", 108}, std::pair{"bottom", 0}, std::pair{"right", 108}}) {
        xml.writeEmptyElement(w(side.first));
        xml.writeAttribute(w("w"), QString::number(side.second));
        xml.writeAttribute(w("type"), QStringLiteral("dxa"));
    }
    xml.writeEndElement(); // tblCellMar
    xml.writeEndElement(); // tblPr
    xml.writeEndElement(); // style

    style("numbering", "NoList", "No List");
    empty("uiPriority", "val", QStringLiteral("99"));
    xml.writeEmptyElement(w("semiHidden"));
    xml.writeEmptyElement(w("unhideWhenUsed"));
    xml.writeEndElement();

    xml.writeEndDocument();
    return out;
}

QByteArray settingsPart()
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("w:settings"));
    xml.writeAttribute(QStringLiteral("xmlns:w"), kWordprocessingNs);
    xml.writeEmptyElement(QStringLiteral("w:defaultTabStop"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("720"));
    xml.writeEmptyElement(QStringLiteral("w:characterSpacingControl"));
    xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("doNotCompress"));
    xml.writeEndDocument();
    return out;
}

QByteArray documentPart(const ExportContent &content, const PageSetup &page)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("w:document"));
    xml.writeAttribute(QStringLiteral("xmlns:w"), kWordprocessingNs);
    xml.writeStartElement(QStringLiteral("w:body"));
    BodyWriter body(xml, QStringLiteral("w"));
    writeContent(body, content, page, FontAttributes{});
    body.writeSectionProperties(page);
    xml.writeEndDocument();
    return out;
}

DocumentBuild failedBuild(DocumentFailure::Kind kind, const QString &description)
{
    DocumentBuild build;
    build.failure = DocumentFailure::of(kind, description);
    return build;
}

} // namespace

DocumentBuild buildNewDocument(const ExportContent &content, const PageSetup &page)
{
    ZipBuffer zip;
    QString error;
    if (!zip.create(&error))
        return failedBuild(DocumentFailure::Other, error);
    const QList<QPair<QString, QByteArray>> parts = {
        {QStringLiteral("[Content_Types].xml"), contentTypesPart()},
        {QStringLiteral("_rels/.rels"),
         relationshipsPart({{QStringLiteral("officeDocument"), QStringLiteral("word/document.xml")}})},
        {QStringLiteral("word/_rels/document.xml.rels"),
         relationshipsPart({{QStringLiteral("styles"), QStringLiteral("styles.xml")},
                            {QStringLiteral("settings"), QStringLiteral("settings.xml")}})},
        {QStringLiteral("word/document.xml"), documentPart(content, page)},
        {QStringLiteral("word/styles.xml"), stylesPart()},
        {QStringLiteral("word/settings.xml"), settingsPart()},
    };
    for (const auto &part : parts)
        if (!zip.put(part.first, part.second, &error))
            return failedBuild(DocumentFailure::Other, error);
    DocumentBuild build;
    if (!zip.finish(&build.bytes, &error))
        return failedBuild(DocumentFailure::Other, error);
    return build;
}

DocumentBuild buildAppendedDocument(const QByteArray &existing, const ExportContent &content)
{
    ZipBuffer zip;
    WordPackageContent package;
    DocumentBuild build;
    build.failure = openWordPackage(existing, zip, &package);
    if (build.failure.failed())
        return build;

    QString text, error;
    qsizetype bomBytes = 0;
    if (!decodeXmlPart(package.mainPart, &text, &bomBytes, &error))
        return failedBuild(DocumentFailure::NotWordDocument, error);
    const BodyScan scan = scanMainDocument(text);
    if (!scan.error.isEmpty())
        return failedBuild(DocumentFailure::NotWordDocument, scan.error);

    // The new content is written on its own and set into the part's text where the scan found
    // the end of the body, so that every byte of the existing document stays as it was.
    QByteArray fragment;
    QXmlStreamWriter xml(&fragment);
    BodyWriter body(xml, scan.prefix, !scan.prefixDeclared);
    qsizetype from = scan.insertOffset, to = scan.insertOffset;
    if (scan.bodyIsEmptyElement) {
        from = scan.bodyStart;
        to = scan.bodyStartEnd;
        xml.writeStartElement(scan.prefix + QStringLiteral(":body"));
        writeContent(body, content, scan.image.page, scan.endFont);
        xml.writeEndElement();
    } else {
        writeContent(body, content, scan.image.page, scan.endFont);
    }
    auto byteOffset = [&](qsizetype characters) { return bomBytes + text.left(characters).toUtf8().size(); };
    QByteArray mainPart = package.mainPart;
    mainPart.replace(byteOffset(from), byteOffset(to) - byteOffset(from), fragment);

    if (!zip.put(package.mainPartName, mainPart, &error) || !zip.finish(&build.bytes, &error))
        return failedBuild(DocumentFailure::Other, error);
    return build;
}

DocumentFailure writeNewDocument(const QString &path, const ExportContent &content, const PageSetup &page)
{
    const DocumentBuild build = buildNewDocument(content, page);
    if (build.failure.failed())
        return build.failure;
    return saveDocumentBytes(path, build.bytes);
}

DocumentFailure appendToDocument(const QString &path, const ExportContent &content)
{
    QByteArray existing;
    DocumentFailure failure = loadDocumentBytes(path, &existing);
    if (failure.failed())
        return failure;
    const DocumentBuild build = buildAppendedDocument(existing, content);
    if (build.failure.failed())
        return build.failure;
    return saveDocumentBytes(path, build.bytes);
}

} // namespace kelsim
