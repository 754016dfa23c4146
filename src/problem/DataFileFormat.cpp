#include "DataFileFormat.h"

namespace kelsim {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool endsField(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// Whether the reader would give the line back other than as written: an empty line could be
// taken for a trailing one, blanks at the start are skipped and at the end lost by editors, and
// commas, quotes and line ends would split it. A byte-order mark at the start of the file would
// be skipped.
bool needsQuotes(const std::string &line)
{
    return line.empty() || isBlank(line.front()) || isBlank(line.back()) ||
           line.find_first_of(",\"\r\n") != std::string::npos || line.rfind("\xEF\xBB\xBF", 0) == 0;
}

DataFileScore scoreOf(std::string field)
{
    DataFileScore score;
    if (!field.empty() && field.back() == 'I') {
        field.pop_back();
        score.marked = true;
    }
    score.text = std::move(field);
    return score;
}

} // namespace

DataFileContent parseDataFile(const std::string &content)
{
    DataFileContent read;
    std::vector<bool> blankLine; // for each score: it was a line of nothing but blanks
    const size_t n = content.size();
    size_t i = 0;
    int line = 1;
    bool lineStart = true;
    const auto isLineEnd = [&](size_t at) {
        return content[at] == '\n' || (content[at] == '\r' && (at + 1 >= n || content[at + 1] != '\n'));
    };
    while (i < n) {
        while (i < n && isBlank(content[i]))
            ++i;
        std::string field;
        const bool quoted = i < n && content[i] == '"';
        if (quoted) {
            const int openedOn = line;
            for (++i;; ++i) {
                if (i >= n) {
                    read.unclosedQuoteLine = openedOn;
                    return read;
                }
                if (content[i] == '"') {
                    if (i + 1 < n && content[i + 1] == '"') {
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else if (isLineEnd(i)) {
                    ++line;
                }
                field += content[i];
            }
            while (i < n && !endsField(content[i]))
                ++i;
        } else {
            const size_t start = i;
            while (i < n && !endsField(content[i]))
                ++i;
            field = content.substr(start, i - start);
        }
        const bool endsAtComma = i < n && content[i] == ',';
        blankLine.push_back(!quoted && field.empty() && lineStart && !endsAtComma);
        read.scores.push_back(scoreOf(std::move(field)));
        if (i >= n)
            break;
        if (endsAtComma) {
            ++i;
            lineStart = false;
            if (i >= n) {
                read.scores.emplace_back();
                blankLine.push_back(false);
            }
            continue;
        }
        if (content[i] == '\r' && i + 1 < n && content[i + 1] == '\n')
            ++i;
        ++i;
        ++line;
        lineStart = true;
    }
    while (!blankLine.empty() && blankLine.back()) {
        blankLine.pop_back();
        read.scores.pop_back();
    }
    return read;
}

std::string formatDataFile(const std::vector<DataFileScore> &scores)
{
    std::string out;
    for (const DataFileScore &score : scores) {
        std::string line = score.text;
        if (score.marked || (!line.empty() && line.back() == 'I'))
            line += 'I';
        if (needsQuotes(line)) {
            out += '"';
            for (const char c : line) {
                if (c == '"')
                    out += '"';
                out += c;
            }
            out += '"';
        } else {
            out += line;
        }
        out += "\r\n";
    }
    return out;
}

bool scoreFitsDataFile(const std::string &text)
{
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if ((code < 32 && c != '\t' && c != '\r' && c != '\n') || code == 127)
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
