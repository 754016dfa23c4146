#pragma once

#include <cstdint>
#include <string>

namespace kelsim {

// The one operation that turns a table value into text: fixed decimals, no zero before the
// decimal point, and for p-values (pFlag with 3 decimals) "<.001" and " 1. " at the extremes.
std::string formatValue(double x, int decimals, bool pFlag = false);

// Plain decimal text of a number with one leading blank when it is not negative and no zero
// before a decimal point (" .25", " 36", "-2"); used for counts, captions and messages.
std::string strText(int64_t value);
std::string strText(double value); // up to 15 significant digits
std::string strText(float value);  // up to 7 significant digits

// The numeric value at the start of a text, leading blanks ignored; 0 when there is none.
double leadingValue(const std::string &text);

// Digit groups separated by commas ("100,000").
std::string groupedNumber(int64_t value);

} // namespace kelsim
