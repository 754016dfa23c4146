#include "Design.h"

#include <algorithm>
#include <cctype>

namespace kelsim {

int64_t Design::cellCount() const
{
    int64_t n = 1;
    for (const Factor &f : factors)
        n *= f.levels;
    return factors.empty() ? 0 : n;
}

int Design::maxLevels() const
{
    int m = 0;
    for (const Factor &f : factors)
        m = std::max(m, f.levels);
    return m;
}

std::vector<int> Design::levelCounts() const
{
    std::vector<int> levels;
    levels.reserve(factors.size());
    for (const Factor &f : factors)
        levels.push_back(f.levels);
    return levels;
}

char Design::letter(int factor) const
{
    const std::string &l = factors.at(static_cast<size_t>(factor - 1)).letter;
    return l.empty() ? '?' : l[0];
}

char Design::specialLetter() const
{
    if (specialFactor < 1 || specialFactor > factorCount())
        return 0;
    return letter(specialFactor);
}

Factor makeFactor(const std::string &name, int levels)
{
    Factor f;
    f.name = name;
    // Names begin with a capital wherever they are typed, so that source names read alike.
    if (!f.name.empty())
        f.name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(f.name[0])));
    f.letter = f.name.substr(0, 1);
    f.levels = levels;
    return f;
}

int64_t cellPosition(const std::vector<int> &levelCounts, const std::vector<int> &levels)
{
    int64_t position = 0;
    for (size_t f = levelCounts.size(); f-- > 0;)
        position = position * levelCounts[f] + (levels[f] - 1);
    return position;
}

int sourceOrder(SourceMask mask)
{
    int n = 0;
    for (; mask; mask &= mask - 1)
        ++n;
    return n;
}

bool sourceContains(SourceMask mask, int factor)
{
    return factor >= 1 && (mask >> (factor - 1)) & 1u;
}

int sourceCode(SourceMask mask)
{
    int code = 0;
    for (int f = 1; f <= kMaxFactors; ++f)
        if (sourceContains(mask, f))
            code = code * 10 + f;
    return code;
}

std::string sourceName(const Design &design, SourceMask mask)
{
    std::string name;
    for (int f = 1; f <= design.factorCount(); ++f) {
        if (!sourceContains(mask, f))
            continue;
        if (!name.empty())
            name += 'x';
        name += design.letter(f);
    }
    return name;
}

std::vector<SourceMask> sourcesInOrder(int factorCount)
{
    std::vector<SourceMask> sources;
    const SourceMask all = (1u << factorCount) - 1;
    for (int order = 1; order <= factorCount; ++order) {
        std::vector<SourceMask> ofOrder;
        for (SourceMask m = 1; m <= all; ++m)
            if (sourceOrder(m) == order)
                ofOrder.push_back(m);
        std::sort(ofOrder.begin(), ofOrder.end(),
                  [](SourceMask a, SourceMask b) { return sourceCode(a) < sourceCode(b); });
        sources.insert(sources.end(), ofOrder.begin(), ofOrder.end());
    }
    return sources;
}

int64_t sourcePairs(const std::vector<int> &levelCounts, SourceMask mask)
{
    // ½ · Π_{f∈F} L(L−1) · Π_{f∉F} L
    int64_t product = 1;
    for (size_t f = 0; f < levelCounts.size(); ++f) {
        const int64_t l = levelCounts[f];
        product *= ((mask >> f) & 1u) ? l * (l - 1) : l;
    }
    return product / 2;
}

int64_t sourceDf(const std::vector<int> &levelCounts, SourceMask mask)
{
    int64_t df = 1;
    for (size_t f = 0; f < levelCounts.size(); ++f)
        if ((mask >> f) & 1u)
            df *= levelCounts[f] - 1;
    return df;
}

} // namespace kelsim
