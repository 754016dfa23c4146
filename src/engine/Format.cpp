#include "Format.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kelsim {

namespace {

// Shortest text of a value with at most `digits` significant digits, without a zero before the
// decimal point, with an exponent written as "E+07" where the value needs one.
std::string plainText(double value, int digits)
{
    // std::to_chars never follows the locale: a table reads the same in every country.
    char buffer[64];
    const std::to_chars_result end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    std::string s(buffer, end.ptr);
    const size_t e = s.find('e');
    if (e != std::string::npos)
        s[e] = 'E';
    if (s.rfind("0.", 0) == 0)
        s.erase(0, 1);
    else if (s.rfind("-0.", 0) == 0)
        s.erase(1, 1);
    if (s == "-0")
        s = "0";
    return s;
}

// Appends zeros until the text has `decimals` digits after its point. Exponent forms stay as
// they are.
void padDecimals(std::string &s, int decimals)
{
    if (s.find('E') != std::string::npos)
        return;
    size_t point = s.find('.');
    if (point == std::string::npos) {
        s += '.';
        point = s.size() - 1;
    }
    const size_t have = s.size() - point - 1;
    if (have < static_cast<size_t>(decimals))
        s.append(static_cast<size_t>(decimals) - have, '0');
}

std::string withSign(std::string s)
{
    return s[0] == '-' ? s : " " + s;
}

} // namespace

std::string formatValue(double x, int decimals, bool pFlag)
{
    if (pFlag && decimals == 3) {
        if (x < 0.001)
            return "<.001";
        if (x == 1.0)
            return " 1. ";
    }
    const double scale = std::pow(10.0, decimals);
    const float rounded = static_cast<float>(std::floor(x * scale + 0.5) / scale);
    std::string s = plainText(rounded, 7);
    if (decimals == 2 || decimals == 3)
        padDecimals(s, decimals);
    return s;
}

std::string strText(int64_t value)
{
    return withSign(std::to_string(value));
}

std::string strText(double value)
{
    return withSign(plainText(value, 15));
}

std::string strText(float value)
{
    return withSign(plainText(value, 7));
}

double leadingValue(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    size_t j = i;
    if (j < text.size() && (text[j] == '-' || text[j] == '+'))
        ++j;
    bool digits = false;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
        ++j;
        digits = true;
    }
    if (j < text.size() && text[j] == '.') {
        ++j;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            ++j;
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    if (j < text.size() && (text[j] == 'E' || text[j] == 'e')) {
        size_t k = j + 1;
        if (k < text.size() && (text[k] == '-' || text[k] == '+'))
            ++k;
        if (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) {
            while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k])))
                ++k;
            j = k;
        }
    }
    const std::string number = text.substr(text[i] == '+' ? i + 1 : i, j - (text[i] == '+' ? i + 1 : i));
    double value = 0.0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return value;
}

std::string groupedNumber(int64_t value)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string out;
    int count = 0;
    for (size_t i = digits.size(); i-- > 0;) {
        out.insert(out.begin(), digits[i]);
        if (++count % 3 == 0 && i > 0)
            out.insert(out.begin(), ',');
    }
    return value < 0 ? "-" + out : out;
}

} // namespace kelsim
