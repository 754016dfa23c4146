#include "WordTestSupport.h"

#include "WordPackage.h"

#include <QFile>

#include <stdexcept>

namespace kelsim::test {

TableDocument sampleTable()
{
    TableDocument table;
    table.title = "Colour preference study";
    table.summary = {"  Factors", "  Gender 2", "  Age    3", "   Pairs compared: 105"};
    table.rows = {
        {"G", " 1", " 36", ".250", "1.50", ".123"},
        {"A", " 2", " 48", ".333", "12.25", "<.001"},
        {"GxA", " 2", " 72", ".111", ".44", " 1. "},
        {"  Within", " 12", " 300", ".500", "", ""},
        {"", "", "", "", "", ""},
    };
    table.intervalHead = "99% interval";
    table.intervals = {"[.1010, .1470]", "[.0000, .0015]", "[.9989, 1.0000]", "", ""};
    table.notes = {"Iterations: 5,000; seed: 11; p: Monte Carlo, 99% intervals; shuffle: whole table; Kelsim 3.1.3"};
    return table;
}

DataDocument sampleData()
{
    Design design;
    design.factors = {makeFactor("Gender", 2), makeFactor("Age", 3)};
    return dataDocumentFor(design, {"a", "b", "c", "a", "b", "c"});
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray makePackage(const QList<QPair<QString, QByteArray>> &entries)
{
    ZipBuffer zip;
    QString error;
    if (!zip.create(&error))
        throw std::runtime_error(error.toStdString());
    for (const auto &entry : entries)
        if (!zip.put(entry.first, entry.second, &error))
            throw std::runtime_error(error.toStdString());
    QByteArray bytes;
    if (!zip.finish(&bytes, &error))
        throw std::runtime_error(error.toStdString());
    return bytes;
}

QMap<QString, QByteArray> packageEntries(const QByteArray &package)
{
    ZipBuffer zip;
    QString error;
    if (!zip.open(package, &error))
        throw std::runtime_error(error.toStdString());
    QMap<QString, QByteArray> entries;
    for (qint64 i = 0; i < zip.entryCount(); ++i) {
        QByteArray data;
        if (!zip.read(i, &data, &error))
            throw std::runtime_error(error.toStdString());
        entries.insert(zip.entryName(i), data);
    }
    return entries;
}

QByteArray wordLikeMainPart(const QString &bodyContent)
{
    // The shape Word gives its documents: a line break after the declaration, many namespaces,
    // ignorable prefixes that must stay declared, revision ids.
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
               "<w:document xmlns:wpc=\"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas\" "
               "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
               "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
               "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" "
               "xmlns:w15=\"http://schemas.microsoft.com/office/word/2012/wordml\" "
               "mc:Ignorable=\"w14 w15\"><w:body>%1"
               "<w:sectPr w:rsidR=\"00A1\"><w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
               "<w:pgMar w:top=\"1440\" w:right=\"1800\" w:bottom=\"1440\" w:left=\"1800\" w:header=\"708\" "
               "w:footer=\"708\" w:gutter=\"0\"/><w:cols w:space=\"708\"/></w:sectPr></w:body></w:document>")
        .arg(bodyContent)
        .toUtf8();
}

QByteArray wordLikePackage(const QByteArray &mainPart)
{
    const QByteArray types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "<Override PartName=\"/word/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
        "<Override PartName=\"/docProps/core.xml\" "
        "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/></Types>";
    const QByteArray rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId2\" "
        "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" "
        "Target=\"docProps/core.xml\"/>"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>";
    const QByteArray documentRels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
        "Target=\"styles.xml\"/></Relationships>";
    const QByteArray styles =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:docDefaults>"
        "<w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Calibri\" w:hAnsi=\"Calibri\"/><w:sz w:val=\"22\"/></w:rPr>"
        "</w:rPrDefault><w:pPrDefault><w:pPr><w:spacing w:after=\"160\" w:line=\"259\" w:lineRule=\"auto\"/>"
        "</w:pPr></w:pPrDefault></w:docDefaults><w:style w:type=\"paragraph\" w:default=\"1\" "
        "w:styleId=\"Normal\"><w:name w:val=\"Normal\"/><w:qFormat/></w:style></w:styles>";
    const QByteArray core =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:creator>A. Researcher</dc:creator></cp:coreProperties>";
    return makePackage({{QStringLiteral("[Content_Types].xml"), types},
                        {QStringLiteral("_rels/.rels"), rels},
                        {QStringLiteral("word/document.xml"), mainPart},
                        {QStringLiteral("word/_rels/document.xml.rels"), documentRels},
                        {QStringLiteral("word/styles.xml"), styles},
                        {QStringLiteral("docProps/core.xml"), core}});
}

QString fixturePath(const QString &name)
{
    return QStringLiteral(KELSIM_TEST_DATA_DIR "/word/") + name;
}

} // namespace kelsim::test
