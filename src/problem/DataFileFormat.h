#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kelsim {

// The longest score a data file holds. A longer field is taken as a sign that the file is not a
// data file, so the grid refuses longer scores where they are typed or pasted.
constexpr std::size_t kLongestScore = 255;

// One score of a data file. A marked score is written with a trailing capital "I".
struct DataFileScore {
    std::string text;
    bool marked = false;
    bool operator==(const DataFileScore &o) const { return text == o.text && marked == o.marked; }
    bool operator!=(const DataFileScore &o) const { return !(*this == o); }
};

// Splits a data file into its fields: a field ends at a comma or a line end (CR LF, LF or CR),
// blanks before a field are skipped, and a field that begins with a double quote runs to the
// next double quote (line ends and commas included); what follows the closing quote up to the
// field's end is dropped. An empty line is an empty field; a last line without its line end
// still counts.
std::vector<std::string> dataFileFields(const std::string &content);

// The scores of a data file: each field, with a trailing "I" taken as the mark.
std::vector<DataFileScore> parseDataFile(const std::string &content);

// The data file for the scores: one score per line, each line ended by CR LF. A marked score
// gets a trailing "I", and a score whose own text ends in "I" gets one, marked or not, so that
// its text survives the reading (an unmarked one then reads back marked). A score holding a
// comma or beginning with a blank is written between double quotes so that it reads back whole.
std::string formatDataFile(const std::vector<DataFileScore> &scores);

// Whether a data file can hold the score unchanged: no double quote, no control character (line
// ends included) and at most kLongestScore characters.
bool scoreFitsDataFile(const std::string &text);

// Number of characters of a UTF-8 text.
std::size_t characterCount(const std::string &utf8);

} // namespace kelsim
