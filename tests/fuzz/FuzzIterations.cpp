// Property: the iterations box accepts only whole numbers within 32 bits, and a number it
// accepts reads back the same from its plain and its grouped text.
#include "IterationsDialog.h"

#include <QLocale>

#include <cstdint>
#include <cstdlib>

using namespace kelsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const std::optional<int> value = IterationsDialog::parseIterations(text);
    if (!value)
        return 0;
    const std::optional<int> plain = IterationsDialog::parseIterations(QString::number(*value));
    if (!plain || *plain != *value)
        std::abort();
    if (*value > 0) {
        const std::optional<int> grouped = IterationsDialog::parseIterations(QLocale::c().toString(*value));
        const std::optional<int> english =
            IterationsDialog::parseIterations(QLocale(QLocale::English).toString(*value));
        if (!english || *english != *value || (grouped && *grouped != *value))
            std::abort();
    }
    return 0;
}
