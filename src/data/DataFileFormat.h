#pragma once

#include <string>
#include <vector>

namespace kelsim {

// One score of a data file. A marked score is written with a trailing capital "I".
struct DataFileScore {
    std::string text;
    bool marked = false;
    bool operator==(const DataFileScore &o) const { return text == o.text && marked == o.marked; }
};

// Splits a data file into its fields: a field ends at a comma or a line end, blanks before a
// field are skipped, and a field that begins with a double quote runs to the next double quote.
std::vector<std::string> dataFileFields(const std::string &content);

// The scores of a data file: each field, with a trailing "I" taken as the mark.
std::vector<DataFileScore> parseDataFile(const std::string &content);

// One score per line, each line ended by CR LF; a marked score gets a trailing "I", and a score
// whose own text ends in "I" gets one more so that its text survives the reading.
std::string writeDataFile(const std::vector<DataFileScore> &scores);

// Characters a score cannot hold in a data file: they would split or swallow fields on reading.
bool scoreFitsDataFile(const std::string &text);

} // namespace kelsim
