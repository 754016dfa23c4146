// Property: every score the reader accepts and the format can hold is written back and read
// again with the same text; only an unmarked score ending in "I" comes back marked.
#include "DataFileFormat.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kelsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string content(reinterpret_cast<const char *>(data), size);
    std::vector<DataFileScore> kept;
    for (const DataFileScore &score : parseDataFile(content))
        if (scoreFitsDataFile(score.text))
            kept.push_back(score);
    const std::vector<DataFileScore> again = parseDataFile(formatDataFile(kept));
    if (again.size() != kept.size())
        std::abort();
    for (size_t i = 0; i < kept.size(); ++i) {
        const bool endsInI = !kept[i].text.empty() && kept[i].text.back() == 'I';
        if (again[i].text != kept[i].text || again[i].marked != (kept[i].marked || endsInI))
            std::abort();
    }
    return 0;
}
