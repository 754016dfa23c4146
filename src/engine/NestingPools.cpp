#include "NestingPools.h"

#include <algorithm>
#include <functional>

namespace kelsim {

namespace {

bool nestedUnder(const Design &design, int nested, int under)
{
    for (const NestingPair &pair : design.nestingPairs)
        if (pair.nested == design.letter(nested) && pair.under == design.letter(under))
            return true;
    return false;
}

// The letters of the factors that occur in `text`, in factor order, joined by "x".
std::string lettersInFactorOrder(const Design &design, const std::string &text)
{
    std::string name;
    for (int g = 1; g <= design.factorCount(); ++g) {
        if (text.find(design.letter(g)) == std::string::npos)
            continue;
        if (!name.empty())
            name += 'x';
        name += design.letter(g);
    }
    return name;
}

void removeDuplicates(std::vector<std::string> &entries)
{
    std::vector<std::string> kept;
    for (const std::string &entry : entries)
        if (std::find(kept.begin(), kept.end(), entry) == kept.end())
            kept.push_back(entry);
    entries = kept;
}

// Pool of one factor: its letter, then the letter followed by the factors it is nested under,
// for every increasing sequence of its relations, visited depth first.
std::vector<std::string> factorPool(const Design &design, int factor)
{
    const char letter = design.letter(factor);
    const std::vector<NestingPair> &pairs = design.nestingPairs;
    std::vector<std::string> pool = {std::string(1, letter)};
    std::function<void(size_t, const std::string &, int)> visit = [&](size_t from, const std::string &prefix,
                                                                      int depth) {
        if (depth >= design.factorCount())
            return;
        for (size_t k = from; k < pairs.size(); ++k) {
            if (pairs[k].nested != letter)
                continue;
            const std::string entry = prefix + pairs[k].under;
            pool.push_back(entry);
            visit(k + 1, entry, depth + 1);
        }
    };
    visit(0, std::string(1, letter), 1);
    if (pool.size() > 1)
        for (std::string &entry : pool)
            entry = lettersInFactorOrder(design, entry);
    return pool;
}

void specialFactorFirst(const Design &design, std::string &entry)
{
    const char special = design.specialLetter();
    if (special == 0)
        return;
    const size_t p = entry.find(std::string("x") + special);
    if (p == std::string::npos || p == 0)
        return;
    entry = std::string(1, special) + "x" + entry.substr(0, p) + entry.substr(p + 2);
}

} // namespace

std::string cancelDoubledFactors(const Design &design, const std::string &name)
{
    const std::string text = "x" + name;
    std::string result;
    for (int g = 1; g <= design.factorCount(); ++g) {
        const std::string key = std::string("x") + design.letter(g);
        const size_t first = text.find(key);
        if (first == std::string::npos || text.find(key, first + key.size()) != std::string::npos)
            continue;
        if (!result.empty())
            result += 'x';
        result += design.letter(g);
    }
    return result;
}

NestingPools enumeratePools(const Design &design)
{
    const int k = design.factorCount();
    NestingPools pools;
    for (int f = 1; f <= k; ++f)
        pools.push_back(factorPool(design, f));

    for (int size = 2; size <= k - 1; ++size) {
        std::vector<int> tuple(static_cast<size_t>(size), 0);
        std::function<void(int)> choose = [&](int position) {
            if (position == size) {
                if (pools[static_cast<size_t>(tuple[0] - 1)].size() < 2)
                    return;
                for (int p = 0; p < size; ++p)
                    for (int q = p + 1; q < size; ++q)
                        if (nestedUnder(design, tuple[static_cast<size_t>(p)], tuple[static_cast<size_t>(q)]))
                            return;
                // Every combination of one entry from each pool, the first pool varying slowest.
                std::vector<std::string> combined = {""};
                for (int factor : tuple) {
                    std::vector<std::string> next;
                    for (const std::string &head : combined)
                        for (const std::string &entry : pools[static_cast<size_t>(factor - 1)])
                            next.push_back(head.empty() ? entry : head + "x" + entry);
                    combined = next;
                }
                for (std::string &entry : combined)
                    entry = cancelDoubledFactors(design, entry);
                removeDuplicates(combined);
                bool repeatsEarlierPool = false;
                for (const std::vector<std::string> &earlier : pools)
                    for (const std::string &entry : combined)
                        repeatsEarlierPool =
                            repeatsEarlierPool || std::find(earlier.begin(), earlier.end(), entry) != earlier.end();
                if (repeatsEarlierPool)
                    combined.clear();
                pools.push_back(combined);
                return;
            }
            for (int f = 1; f <= k; ++f) {
                if (std::find(tuple.begin(), tuple.begin() + position, f) != tuple.begin() + position)
                    continue;
                tuple[static_cast<size_t>(position)] = f;
                choose(position + 1);
            }
        };
        choose(0);
    }

    for (std::vector<std::string> &pool : pools)
        for (std::string &entry : pool)
            specialFactorFirst(design, entry);
    return pools;
}

} // namespace kelsim
