#include "DataFileFormat.h"

namespace kelsim {

namespace {

bool endsField(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

bool needsQuotes(const std::string &text)
{
    return text.find(',') != std::string::npos || (!text.empty() && (text[0] == ' ' || text[0] == '\t'));
}

} // namespace

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
            while (i < n && !endsField(content[i]))
                ++i;
        } else {
            const size_t start = i;
            while (i < n && !endsField(content[i]))
                ++i;
            field = content.substr(start, i - start);
        }
        fields.push_back(std::move(field));
        if (i >= n)
            break;
        if (content[i] == ',') {
            ++i;
            if (i >= n)
                fields.emplace_back();
            continue;
        }
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

std::string formatDataFile(const std::vector<DataFileScore> &scores)
{
    std::string out;
    for (const DataFileScore &score : scores) {
        std::string line = score.text;
        if (score.marked || (!line.empty() && line.back() == 'I'))
            line += 'I';
        if (needsQuotes(score.text))
            line = '"' + line + '"';
        out += line;
        out += "\r\n";
    }
    return out;
}

bool scoreFitsDataFile(const std::string &text)
{
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || code == 127 || c == '"')
            return false;
    }
    return characterCount(text) <= kLongestScore;
}

std::size_t characterCount(const std::string &utf8)
{
    std::size_t count = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

} // namespace kelsim
