#include "CommandLine.h"
#include "TestDesigns.h"

#include <gtest/gtest.h>

using namespace kelsim;
using namespace kelsim::testing;

TEST(CliArguments, argumentsNameTheDesignAsSelectedAndEveryOptionThatChangesTheTable)
{
    Design design = makeDesign({{"Group", 2}, {"Patient", 4}, {"Week", 3}}, DesignKind::RepeatedMeasures, 2);
    design.nested = true;
    design.selectedNesting = {{'P', 'G'}};
    design.nestingPairs = {{'P', 'G'}};
    design.problemLabel = "Therapy";
    RunOptions options;
    options.iterations = 20000;
    options.seed = 18446744073709551615ull;
    options.threads = 1; // the table is the same for any number
    options.exact = ExactMode::Never;
    options.precision = .005;
    options.shuffle = ShuffleMode::Restricted;
    // Joined with a sign no argument holds here, so that no two arguments can pass for one.
    auto joined = [](const std::vector<std::string> &arguments) {
        std::string text;
        for (const std::string &argument : arguments)
            text += "|" + argument;
        return text;
    };
    EXPECT_EQ(joined(commandLineArguments(design, options, "therapy.dat")),
              "|therapy.dat|--factor|Group:2|--factor|Patient:4|--factor|Week:3|--repeated|2|--nest|P<G|--problem|"
              "Therapy|--iterations|20000|--seed|18446744073709551615|--exact|never|--precision|0.005|--shuffle|"
              "restricted");
    const Design plain = makeDesign({{"A", 2}, {"B", 3}}, DesignKind::IndependentGroups, 2);
    RunOptions defaults;
    defaults.seed = 4;
    EXPECT_EQ(joined(commandLineArguments(plain, defaults, "d.dat")),
              "|d.dat|--factor|A:2|--factor|B:3|--independent|2|--iterations|100000|--seed|4");
}

TEST(CliArguments, textQuotesWhatAShellWouldSplitOrExpand)
{
    const struct {
        std::string argument, shown;
    } cases[] = {
        {"/home/me/taste.dat", "/home/me/taste.dat"},
        {"--nest", "--nest"},
        {"P<G", "'P<G'"},
        {"my data.dat", "'my data.dat'"},
        {"Taste 'n' test", "'Taste '\\''n'\\'' test'"},
        {"$HOME*", "'$HOME*'"},
        {"", "''"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(commandLineText({c.argument}), "kelsim-cli " + c.shown);
}
