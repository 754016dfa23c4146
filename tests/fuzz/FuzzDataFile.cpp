// Property: every score the reader gives, whatever it holds (commas, quotes, line ends, blanks),
// is written back and read again with the same text; only an unmarked score ending in "I" comes
// back marked. Blank lines after the last score change nothing.
#include "DataFileFormat.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kelsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string content(reinterpret_cast<const char *>(data), size);
    const std::vector<DataFileScore> scores = parseDataFile(content).scores;
    const std::string written = formatDataFile(scores);
    for (const char *blankLines : {"", "\r\n\r\n", "\n \t\r\n\r"}) {
        const DataFileContent again = parseDataFile(written + blankLines);
        if (again.unclosedQuoteLine != 0 || again.scores.size() != scores.size())
            std::abort();
        for (size_t i = 0; i < scores.size(); ++i) {
            const bool endsInI = !scores[i].text.empty() && scores[i].text.back() == 'I';
            if (again.scores[i].text != scores[i].text || again.scores[i].marked != (scores[i].marked || endsInI))
                std::abort();
        }
    }
    return 0;
}
