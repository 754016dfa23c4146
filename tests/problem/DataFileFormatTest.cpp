#include "DataFileFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kelsim;

namespace {

// Every character a score can receive: typed into the grid (blank, digits, "A" to "{") or pasted
// (blank, "," "-" "." digits, "@" to "x").
std::string enterableCharacters()
{
    std::string characters = " ,-.";
    for (char c = '0'; c <= '9'; ++c)
        characters += c;
    for (char c = '@'; c <= '{'; ++c)
        characters += c;
    return characters;
}

DataFileScore expectedAfterReading(const DataFileScore &written)
{
    DataFileScore expected = written;
    if (!written.text.empty() && written.text.back() == 'I')
        expected.marked = true;
    return expected;
}

} // namespace

TEST(DataFileFormat, marksAreWrittenAsATrailingIOnLinesEndedByCrLf)
{
    const std::vector<DataFileScore> scores{{"a", false}, {"b", true}, {"c", false}};
    EXPECT_EQ(formatDataFile(scores), "a\r\nbI\r\nc\r\n");
    EXPECT_EQ(parseDataFile("a\r\nbI\r\nc\r\n"), scores);
}

TEST(DataFileFormat, scoreEndingInIGetsOneMoreIAndKeepsItsText)
{
    struct Case {
        DataFileScore score;
        std::string line;
    };
    const std::vector<Case> cases{
        {{"I", false}, "II\r\n"},    {{"I", true}, "II\r\n"},    {{"abI", false}, "abII\r\n"},
        {{"abI", true}, "abII\r\n"}, {{"II", false}, "III\r\n"}, {{"Ia", false}, "Ia\r\n"},
        {{"i", false}, "i\r\n"},     {{"", true}, "I\r\n"},      {{"", false}, "\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.score.text);
        EXPECT_EQ(formatDataFile({c.score}), c.line);
        const std::vector<DataFileScore> read = parseDataFile(c.line);
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(read[0], expectedAfterReading(c.score));
    }
}

TEST(DataFileFormat, fieldsEndAtCommasAndLineEndsAndSkipLeadingBlanks)
{
    struct Case {
        std::string content;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases{
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a,b\r\nc\r\n", {"a", "b", "c"}},
        {"a,\r\n", {"a", ""}},
        {"a,", {"a", ""}},
        {"\r\n", {""}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"   a\r\n", {"a"}},
        {"\tab \r\n", {"ab "}},
        {"\"a,b\"\r\nc\r\n", {"a,b", "c"}},
        {"  \" a\"\r\n", {" a"}},
        {"\"a\r\nb\"\r\n", {"a\r\nb"}},
        {"\"ab\"cd,e\r\n", {"ab", "e"}},
        {"\"abc", {"abc"}},
        {"a\"b\r\n", {"a\"b"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.content);
        EXPECT_EQ(dataFileFields(c.content), c.fields);
    }
}

TEST(DataFileFormat, scoresWithACommaOrLeadingBlankAreQuotedAndReadBackWhole)
{
    EXPECT_EQ(formatDataFile({{"1,5", false}}), "\"1,5\"\r\n");
    EXPECT_EQ(formatDataFile({{" a", true}}), "\" aI\"\r\n");
    EXPECT_EQ(formatDataFile({{"  ", false}}), "\"  \"\r\n");
    EXPECT_EQ(formatDataFile({{",I", false}}), "\",II\"\r\n");
    EXPECT_EQ(formatDataFile({{"a b", false}}), "a b\r\n");
    const std::vector<DataFileScore> scores{{"1,5", false}, {" a", true}, {"  ", false}, {",", true}, {"a ", false}};
    EXPECT_EQ(parseDataFile(formatDataFile(scores)), scores);
}

TEST(DataFileFormat, everyScoreTheGridOrPasteAcceptsSurvivesWritingAndReading)
{
    const std::string characters = enterableCharacters();
    std::vector<DataFileScore> scores;
    for (const char first : characters) {
        for (const bool marked : {false, true}) {
            scores.push_back({std::string(1, first), marked});
            for (const char second : characters)
                scores.push_back({std::string{first, second}, marked});
            scores.push_back({std::string{' ', first, ' '}, marked});
            scores.push_back({std::string{first, 'I'}, marked});
            scores.push_back({std::string{'I', first}, marked});
        }
    }
    scores.push_back({std::string(kLongestScore, 'z'), true});
    const std::vector<DataFileScore> read = parseDataFile(formatDataFile(scores));
    ASSERT_EQ(read.size(), scores.size());
    for (size_t i = 0; i < scores.size(); ++i) {
        ASSERT_TRUE(scoreFitsDataFile(scores[i].text)) << scores[i].text;
        EXPECT_EQ(read[i], expectedAfterReading(scores[i])) << "score \"" << scores[i].text << "\"";
    }
}

TEST(DataFileFormat, scoresTheFileCannotHoldAreRecognised)
{
    struct Case {
        std::string text;
        bool fits;
    };
    const std::vector<Case> cases{
        {"a", true},
        {"", true},
        {"1,5", true},
        {" a", true},
        {"@x{", true},
        {std::string(kLongestScore, 'a'), true},
        {std::string(kLongestScore + 1, 'a'), false},
        {"a\"b", false},
        {"\"", false},
        {"a\nb", false},
        {"a\rb", false},
        {"a\tb", false},
        {std::string("a\0b", 3), false},
        {"a\x7f", false},
        {"\xc3\xa9t\xc3\xa9", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(scoreFitsDataFile(c.text), c.fits) << c.text;
}

TEST(DataFileFormat, characterCountCountsUtf8Characters)
{
    EXPECT_EQ(characterCount(""), 0u);
    EXPECT_EQ(characterCount("abc"), 3u);
    EXPECT_EQ(characterCount("\xc3\xa9t\xc3\xa9"), 3u);
}
