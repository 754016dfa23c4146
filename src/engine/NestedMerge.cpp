#include "NestedMerge.h"

#include "NestingPools.h"

#include <algorithm>

namespace kelsim {

namespace {

const std::string kPooledError = "  Error +";
const std::string kMergedAway = "Pooled";

std::string trimmed(const std::string &name)
{
    const size_t first = name.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : name.substr(first);
}

bool endsWithPlus(const std::string &name)
{
    return !name.empty() && name.back() == '+';
}

void absorb(TableRow &pooled, const TableRow &entry)
{
    pooled.sources.insert(pooled.sources.end(), entry.sources.begin(), entry.sources.end());
    pooled.df += entry.df;
    pooled.pairs += entry.pairs;
    pooled.pooled = true;
}

// Independent groups: the rows of each pool become one row, where the first of them stood.
int mergeIndependentGroups(const NestingPools &pools, NTable &table)
{
    int removed = 0;
    std::vector<TableRow> &rows = table.rows;
    for (const std::vector<std::string> &pool : pools) {
        if (pool.size() < 2)
            continue;
        int pooledRow = -1;
        for (const std::string &entry : pool) {
            for (size_t r = 0; r < rows.size(); ++r) {
                const std::string &name = rows[r].name;
                if (name != entry || name == kMergedAway || endsWithPlus(name))
                    continue;
                if (pooledRow < 0) {
                    pooledRow = static_cast<int>(r);
                } else {
                    absorb(rows[static_cast<size_t>(pooledRow)], rows[r]);
                    rows.erase(rows.begin() + static_cast<long>(r));
                    ++removed;
                    if (static_cast<int>(r) < pooledRow)
                        --pooledRow;
                }
                break;
            }
        }
        if (pooledRow >= 0) {
            TableRow &row = rows[static_cast<size_t>(pooledRow)];
            row.name += " +";
            row.pooled = true;
        }
    }
    const int within = static_cast<int>(rows.size()) - 1;
    for (TableRow &row : rows)
        if (row.role == RowRole::Effect)
            row.errorRow = within;
    return removed;
}

struct WorkRow {
    TableRow row;
    int pool = 0;
};

bool isEffect(const TableRow &row)
{
    return row.role == RowRole::Effect;
}

// Repeated measures: pooled rows for the sources of each pool, every effect grouped with the
// error row it is tested against.
int mergeRepeatedMeasures(const Design &design, const NestingPools &pools, NTable &table)
{
    const char subjects = design.specialLetter();
    const std::string subjectsLetter(1, subjects);
    std::vector<WorkRow> rows;
    for (const TableRow &row : table.rows)
        rows.push_back({row, 0});
    auto nameOf = [&](size_t r) { return trimmed(rows[r].row.name); };

    // The factors the subjects are nested under come first.
    if (pools[static_cast<size_t>(design.specialFactor - 1)].size() > 1) {
        size_t place = 0;
        for (const NestingPair &pair : design.nestingPairs) {
            if (pair.nested != subjects)
                continue;
            for (size_t r = 0; r < rows.size(); ++r) {
                if (nameOf(r) != std::string(1, pair.under))
                    continue;
                const WorkRow moved = rows[r];
                rows.erase(rows.begin() + static_cast<long>(r));
                rows.insert(rows.begin() + static_cast<long>(place), moved);
                ++place;
                break;
            }
        }
    }

    // Pool numbers (1-based, in pool order); an effect takes the pool of its own error row.
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t p = 0; p < pools.size() && rows[r].pool == 0; ++p) {
            if (pools[p].size() < 2)
                continue;
            if (std::find(pools[p].begin(), pools[p].end(), nameOf(r)) != pools[p].end())
                rows[r].pool = static_cast<int>(p + 1);
        }
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::string errorName = subjectsLetter + "x" + nameOf(r);
        for (size_t q = 0; q < rows.size(); ++q) {
            if (q != r && nameOf(q) == errorName) {
                rows[r].pool = rows[q].pool;
                break;
            }
        }
    }

    // Merge each pool into the row of its first entry.
    for (const std::vector<std::string> &pool : pools) {
        if (pool.size() < 2)
            continue;
        int pooledRow = -1;
        for (const std::string &entry : pool) {
            for (size_t r = 0; r < rows.size(); ++r) {
                const std::string &name = rows[r].row.name;
                if (name == kMergedAway || endsWithPlus(name) || nameOf(r) != entry)
                    continue;
                if (pooledRow < 0)
                    pooledRow = static_cast<int>(r);
                else {
                    absorb(rows[static_cast<size_t>(pooledRow)].row, rows[r].row);
                    rows[r].row.name = kMergedAway;
                }
            }
        }
        if (pooledRow < 0)
            continue;
        TableRow &row = rows[static_cast<size_t>(pooledRow)].row;
        const bool errorRow = row.name.rfind("  ", 0) == 0 || row.role == RowRole::Subjects;
        row.name = errorRow ? kPooledError : row.name + " +";
        if (errorRow)
            row.role = RowRole::ErrorTerm;
        row.pooled = true;
    }
    const size_t before = rows.size();
    rows.erase(std::remove_if(rows.begin(), rows.end(), [](const WorkRow &w) { return w.row.name == kMergedAway; }),
               rows.end());
    const int removed = static_cast<int>(before - rows.size());

    // Rows of one pool stand together.
    const size_t last = rows.size();
    for (size_t r = 0; r + 1 < last; ++r) {
        for (size_t q = r + 1; q < last; ++q) {
            if (rows[r].pool == rows[q].pool && rows[r].pool > 0 && q != r + 1) {
                const WorkRow moved = rows[q];
                rows.erase(rows.begin() + static_cast<long>(q));
                rows.insert(rows.begin() + static_cast<long>(r + 1), moved);
            }
        }
    }
    // The pooled error row goes to the end of its group; pool numbers stay with the positions.
    for (size_t r = 0; r + 1 < last; ++r) {
        for (size_t q = r + 1; q < last; ++q) {
            if (rows[r].pool == rows[q].pool && rows[r].row.name == kPooledError)
                std::swap(rows[r].row, rows[r + 1].row);
        }
    }
    // Within each run of consecutive effects, shorter names first.
    for (size_t start = 0; start < last;) {
        if (!isEffect(rows[start].row)) {
            ++start;
            continue;
        }
        size_t end = start;
        while (end < last && isEffect(rows[end].row))
            ++end;
        for (bool exchanged = true; exchanged;) {
            exchanged = false;
            for (size_t r = start; r + 1 < end; ++r) {
                if (rows[r].row.name.size() > rows[r + 1].row.name.size()) {
                    std::swap(rows[r], rows[r + 1]);
                    exchanged = true;
                }
            }
        }
        start = end;
    }

    table.rows.clear();
    for (const WorkRow &w : rows)
        table.rows.push_back(w.row);
    // Each effect is tested against the row that holds its own error source.
    const SourceMask subjectsMask = 1u << (design.specialFactor - 1);
    for (TableRow &row : table.rows) {
        row.errorRow = -1;
        if (!isEffect(row))
            continue;
        const SourceMask error = row.sources.front() | subjectsMask;
        for (size_t q = 0; q < table.rows.size(); ++q) {
            const std::vector<SourceMask> &s = table.rows[q].sources;
            if (table.rows[q].role == RowRole::ErrorTerm && std::find(s.begin(), s.end(), error) != s.end())
                row.errorRow = static_cast<int>(q);
        }
    }
    return removed;
}

} // namespace

int mergeNestedRows(const Design &design, NTable &table)
{
    const NestingPools pools = enumeratePools(design);
    if (design.kind == DesignKind::IndependentGroups)
        return mergeIndependentGroups(pools, table);
    return mergeRepeatedMeasures(design, pools, table);
}

} // namespace kelsim
