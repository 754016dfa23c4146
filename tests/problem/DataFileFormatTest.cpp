#include "DataFileFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kelsim;

namespace {

std::vector<std::string> textsOf(const std::vector<DataFileScore> &scores)
{
    std::vector<std::string> texts;
    for (const DataFileScore &score : scores)
        texts.push_back(score.text);
    return texts;
}

// A score ending in "I" is written with one more, so it always reads back marked.
DataFileScore expectedAfterReading(DataFileScore written)
{
    if (!written.text.empty() && written.text.back() == 'I')
        written.marked = true;
    return written;
}

} // namespace

TEST(DataFileFormat, linesAreQuotedOnlyWhenTheyWouldNotReadBackAsWritten)
{
    struct Case {
        DataFileScore score;
        std::string line;
    };
    const std::vector<Case> cases{
        {{"a b", false}, "a b\r\n"},     {{"abI", false}, "abII\r\n"},        {{"", true}, "I\r\n"},
        {{"", false}, "\"\"\r\n"},       {{"1,5", false}, "\"1,5\"\r\n"},     {{" a", true}, "\" aI\"\r\n"},
        {{"a ", false}, "\"a \"\r\n"},   {{"a\"b", false}, "\"a\"\"b\"\r\n"}, {{"a\r\nb", false}, "\"a\r\nb\"\r\n"},
        {{"\tx", false}, "\"\tx\"\r\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(formatDataFile({c.score}), c.line) << c.score.text;
}

TEST(DataFileFormat, fieldsEndAtCommasAndLineEndsAndBlankLinesAtTheEndAreNoScores)
{
    struct Case {
        std::string content;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases{
        {"", {}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a,b\r\nc\r\n", {"a", "b", "c"}},
        {"a,\r\n", {"a", ""}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"a\r\nb\r\n\r\n", {"a", "b"}},
        {"a\r\nb\r\n  \r\n\t\n\n", {"a", "b"}},
        {"a\r\n\"\"\r\n\r\n", {"a", ""}},
        {"\r\n\r\n", {}},
        {"\tab \r\n", {"ab "}},
        {"\"a,b\"\r\nc\r\n", {"a,b", "c"}},
        {"\"a\r\nb\"\r\n", {"a\r\nb"}},
        {"\"a\"\"b\"\r\n", {"a\"b"}},
        {"\"ab\"cd,e\r\n", {"ab", "e"}},
        {"a\"b\r\n", {"a\"b"}},
    };
    for (const Case &c : cases) {
        const DataFileContent read = parseDataFile(c.content);
        EXPECT_EQ(textsOf(read.scores), c.texts) << c.content;
        EXPECT_EQ(read.unclosedQuoteLine, 0) << c.content;
    }
}

TEST(DataFileFormat, anUnclosedQuoteIsReportedWithTheLineItOpensOn)
{
    struct Case {
        std::string content;
        int line;
    };
    const std::vector<Case> cases{
        {"\"abc", 1},
        {"a\r\n\"b\r\nc\r\nd\r\n", 2},
        {"a\r\"b\"\r\n\"c\nd\"\r\ne,\"f", 5},
        {"a\n\n\"b\"\"", 3},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseDataFile(c.content).unclosedQuoteLine, c.line) << c.content;
}

TEST(DataFileFormat, everyCharacterClassSurvivesWritingAndReading)
{
    const std::vector<std::string> classes{
        "a",    "Z",    "7",        "I", " ", "\t", ",",    "\"",           "-",     "\r", "\n",
        "\r\n", "\n\r", "\xc3\xa9", "{", "@", "'",  "\\\"", "\xEF\xBB\xBF", "\"\"\""};
    std::vector<DataFileScore> scores{{"", false}, {"", true}};
    for (const std::string &c : classes) {
        for (const bool marked : {false, true}) {
            for (const std::string &text : {c, c + "x", "x" + c, "x" + c + "x", c + c, c + "I"})
                scores.push_back({text, marked});
        }
    }
    scores.push_back({std::string(kLongestScore, 'z'), true});
    // The last score empty: its line must not be taken for a blank line at the end.
    scores.push_back({"", false});
    const DataFileContent read = parseDataFile(formatDataFile(scores));
    ASSERT_EQ(read.unclosedQuoteLine, 0);
    ASSERT_EQ(read.scores.size(), scores.size());
    for (size_t i = 0; i < scores.size(); ++i) {
        ASSERT_TRUE(scoreFitsDataFile(scores[i].text)) << scores[i].text;
        EXPECT_EQ(read.scores[i], expectedAfterReading(scores[i])) << "score \"" << scores[i].text << "\"";
    }
}

TEST(DataFileFormat, scoresThatWouldMakeTheFileUnreadableAreRecognised)
{
    struct Case {
        std::string text;
        bool fits;
    };
    const std::vector<Case> cases{
        {"a\"b\r\n,", true},
        {std::string(kLongestScore, 'a'), true},
        {std::string(kLongestScore + 1, 'a'), false},
        {[] {
             std::string accents;
             for (size_t i = 0; i < kLongestScore; ++i)
                 accents += "\xc3\xa9";
             return accents;
         }(),
         true},
        {std::string("a\0b", 3), false},
        {"a\x1b", false},
        {"a\x7f", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(scoreFitsDataFile(c.text), c.fits) << c.text;
}
