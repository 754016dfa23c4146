// Property: whatever file is chosen to append to, the reader and the appender never crash; an
// append they accept reads back with everything the document held before, followed by the new
// content.
#include "WordDocumentReader.h"
#include "WordDocumentWriter.h"

#include <cstdint>
#include <cstdlib>

using namespace kelsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const WordDocumentRead before = readWordDocumentBytes(bytes);
    DataDocument content;
    content.rows = {{"A", "1", "Fuzzed-score"}};
    const DocumentBuild appended = buildAppendedDocument(bytes, content);
    if (appended.failure.failed())
        return 0;
    if (!before.ok())
        std::abort(); // the appender took a file the reader refuses
    const WordDocumentRead after = readWordDocumentBytes(appended.bytes);
    if (!after.ok())
        std::abort();
    const QString old = before.image.plainText(), now = after.image.plainText();
    if (!now.startsWith(old) || !now.contains("Fuzzed-score"))
        std::abort();
    return 0;
}
