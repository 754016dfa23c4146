#include "DataFileFormat.h"

namespace kelsim {

std::vector<std::string> dataFileFields(const std::string &content)
{
    std::vector<std::string> fields;
    size_t i = 0;
    const size_t n = content.size();
    while (i < n) {
        while (i < n && (content[i] == ' ' || content[i] == '\t'))
            ++i;
        std::string field;
        if (i < n && content[i] == '"') {
            const size_t close = content.find('"', i + 1);
            const size_t end = close == std::string::npos ? n : close;
            field = content.substr(i + 1, end - i - 1);
            i = close == std::string::npos ? n : close + 1;
            // Whatever follows the closing quote up to the field's end is not part of it.
            while (i < n && content[i] != ',' && content[i] != '\r' && content[i] != '\n')
                ++i;
        } else {
            const size_t start = i;
            while (i < n && content[i] != ',' && content[i] != '\r' && content[i] != '\n')
                ++i;
            field = content.substr(start, i - start);
        }
        fields.push_back(field);
        if (i >= n)
            break;
        if (content[i] == ',') {
            ++i;
            if (i >= n)
                fields.emplace_back();
            continue;
        }
        // A line end: CR LF, LF or a lone CR.
        if (content[i] == '\r' && i + 1 < n && content[i + 1] == '\n')
            ++i;
        ++i;
    }
    return fields;
}

std::vector<DataFileScore> parseDataFile(const std::string &content)
{
    std::vector<DataFileScore> scores;
    for (std::string &field : dataFileFields(content)) {
        DataFileScore score;
        if (!field.empty() && field.back() == 'I') {
            field.pop_back();
            score.marked = true;
        }
        score.text = std::move(field);
        scores.push_back(std::move(score));
    }
    return scores;
}

std::string writeDataFile(const std::vector<DataFileScore> &scores)
{
    std::string out;
    for (const DataFileScore &score : scores) {
        out += score.text;
        if (score.marked || (!score.text.empty() && score.text.back() == 'I'))
            out += 'I';
        out += "\r\n";
    }
    return out;
}

bool scoreFitsDataFile(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") != std::string::npos)
        return false;
    // Blanks before a field are skipped on reading.
    return text.empty() || (text[0] != ' ' && text[0] != '\t');
}

} // namespace kelsim
