// Property: the iterations box reads any text as nothing or a whole number; a count the program
// takes reads back the same from its plain and its grouped text.
#include "DesignCheck.h"
#include "IterationsDialog.h"

#include <QLocale>

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace kelsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const std::optional<double> value = IterationsDialog::parseIterations(text);
    if (!value)
        return 0;
    if (!std::isfinite(*value) || std::nearbyint(*value) != *value)
        std::abort();
    if (checkIterations(true, *value))
        return 0;
    const int count = static_cast<int>(*value);
    const std::optional<double> plain = IterationsDialog::parseIterations(QString::number(count));
    const std::optional<double> english = IterationsDialog::parseIterations(QLocale(QLocale::English).toString(count));
    if (!plain || *plain != *value || !english || *english != *value)
        std::abort();
    return 0;
}
