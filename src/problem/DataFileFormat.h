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

// What a data file's text holds.
struct DataFileContent {
    std::vector<DataFileScore> scores;
    // The 1-based line on which a double quote opens a field that no quote closes; 0 when every
    // quoted field is closed. The scores are then those before that field.
    int unclosedQuoteLine = 0;
};

// Reads a data file's text. A field ends at a comma or a line end (CR LF, LF or CR); blanks
// before a field are skipped. A field that begins with a double quote runs to the next lone
// double quote, line ends and commas included, and a doubled quote inside it stands for one;
// what follows the closing quote up to the field's end is dropped. A trailing "I" is the mark.
// An empty line is an empty score, but empty (or blank) lines at the end of the file are not
// scores: editors leave them there. A last line without its line end still counts.
DataFileContent parseDataFile(const std::string &content);

// The data file for the scores: one score per line, each line ended by CR LF. A marked score
// gets a trailing "I", and a score whose own text ends in "I" gets one, marked or not, so that
// its text survives the reading (an unmarked one then reads back marked). A line that would not
// read back as written (empty, holding a comma, a quote or a line end, or with a blank at either
// end) is written between double quotes, its own quotes doubled, so every score reads back whole.
std::string formatDataFile(const std::vector<DataFileScore> &scores);

// Whether a data file that holds the score can be read again: no control character but tab and
// line ends (the reader refuses the others as a sign of a binary file), and at most
// kLongestScore characters.
bool scoreFitsDataFile(const std::string &text);

// Number of characters of a UTF-8 text.
std::size_t characterCount(const std::string &utf8);

} // namespace kelsim
