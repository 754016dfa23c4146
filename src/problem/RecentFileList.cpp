#include "RecentFileList.h"

#include "Format.h"
#include "ProblemState.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFileInfo>

namespace kelsim {

namespace {

QString recordKey(int position)
{
    return "Recent_File" + QString::number(position);
}

// The keys of one record: "Recent_File" + position and its companions.
const char *const kRecordSuffixes[] = {"",         "_Probname",  "_NFactors",   "_FactorNames",
                                       "_Nlevels", "_LevLabels", "_LevelLabels"};

QString comparablePath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The whole-number value at the start of a stored text, -1 when there is no sensible one.
int storedNumber(const QString &text)
{
    const double value = leadingValue(text.toStdString());
    return value >= 0 && value <= 1e6 ? static_cast<int>(value) : -1;
}

bool holdsDesign(const RecentFileEntry &entry)
{
    if (entry.factorCount < kMinFactors || entry.factorCount > kMaxFactors ||
        entry.factorNames.size() != entry.factorCount || static_cast<int>(entry.levels.size()) != entry.factorCount)
        return false;
    int64_t cells = 1;
    for (int f = 0; f < entry.factorCount; ++f) {
        if (entry.factorNames[f].isEmpty() || entry.levels[f] < 2)
            return false;
        cells *= entry.levels[f];
        if (cells > kMaxScores)
            return false;
    }
    return true;
}

QString levelLabel(const Design &design, int factor, int level)
{
    if (factor < static_cast<int>(design.levelLabels.size()) &&
        level < static_cast<int>(design.levelLabels[factor].size()))
        return QString::fromStdString(design.levelLabels[factor][level]);
    return QString();
}

} // namespace

int RecentFileList::positionOf(const QString &path) const
{
    if (path.isEmpty())
        return 0;
    const QString wanted = comparablePath(path);
    for (int i = 0; i < count(); ++i)
        if (comparablePath(entries_[i].path) == wanted)
            return i + 1;
    return 0;
}

QString RecentFileList::caption(int position) const
{
    return "&" + QString::number(position) + " " + entry(position).path;
}

QStringList RecentFileList::captions() const
{
    QStringList list;
    for (int position = 1; position <= count(); ++position)
        list << caption(position);
    return list;
}

void RecentFileList::putAtTop(const RecentFileEntry &entry)
{
    if (const int position = positionOf(entry.path); position > 0)
        entries_.erase(entries_.begin() + (position - 1));
    entries_.insert(entries_.begin(), entry);
    if (count() > kRecentFileCount)
        entries_.resize(kRecentFileCount);
}

void RecentFileList::moveToTop(int position)
{
    if (position <= 1 || position > count())
        return;
    const RecentFileEntry moved = entries_[position - 1];
    entries_.erase(entries_.begin() + (position - 1));
    entries_.insert(entries_.begin(), moved);
}

void RecentFileList::remove(const QString &path)
{
    if (const int position = positionOf(path); position > 0)
        entries_.erase(entries_.begin() + (position - 1));
}

void RecentFileList::read(const SettingsStore &store)
{
    entries_.clear();
    for (int n = 1; n <= kRecentFileCount; ++n) {
        const QString key = recordKey(n);
        RecentFileEntry entry;
        entry.path = store.value(key);
        if (entry.path.isEmpty())
            break;
        entry.problemName = store.value(key + "_Probname");
        entry.factorCount = storedNumber(store.value(key + "_NFactors"));
        entry.factorNames = store.value(key + "_FactorNames").split(',');
        for (const QString &levels : store.value(key + "_Nlevels").split(','))
            entry.levels.push_back(storedNumber(levels));
        if (!holdsDesign(entry) || positionOf(entry.path) > 0)
            continue;
        entry.hasLabels = store.value(key + "_LevLabels") == "True";
        if (entry.hasLabels) {
            // Factor 1's labels come first, then factor 2's, and so on; missing ones are empty.
            const QStringList all = store.value(key + "_LevelLabels").split(',');
            int next = 0;
            for (int f = 0; f < entry.factorCount; ++f) {
                QStringList labels;
                for (int level = 0; level < entry.levels[f]; ++level, ++next)
                    labels << (next < all.size() ? all[next] : QString());
                entry.labels.push_back(labels);
            }
        }
        entries_.push_back(entry);
    }
}

bool RecentFileList::write(SettingsStore &store) const
{
    for (int n = 1; n <= count(); ++n) {
        const RecentFileEntry &entry = entries_[n - 1];
        const QString key = recordKey(n);
        QStringList levels;
        for (const int count : entry.levels)
            levels << QString::number(count);
        QStringList labels;
        for (const QStringList &factorLabels : entry.labels)
            labels += factorLabels;
        store.setValue(key, entry.path);
        store.setValue(key + "_Probname", entry.problemName);
        store.setValue(key + "_NFactors", QString::number(entry.factorCount));
        store.setValue(key + "_FactorNames", entry.factorNames.join(','));
        store.setValue(key + "_Nlevels", levels.join(','));
        // Every entry carries its own label records: an entry moved to another position must not
        // inherit the labels of the one that stood there before.
        store.setValue(key + "_LevLabels", entry.hasLabels ? "True" : "False");
        store.setValue(key + "_LevelLabels", entry.hasLabels ? labels.join(',') : labels.value(0));
    }
    for (int n = count() + 1; n <= kRecentFileCount; ++n)
        for (const char *suffix : kRecordSuffixes)
            store.remove(recordKey(n) + suffix);
    return store.sync();
}

RecentFileEntry recentEntryForProblem(const ProblemState &problem, const QString &path)
{
    const Design &design = problem.design;
    RecentFileEntry entry;
    entry.path = path;
    entry.problemName = QString::fromStdString(design.problemLabel);
    entry.factorCount = design.factorCount();
    for (int f = 0; f < design.factorCount(); ++f) {
        entry.factorNames << QString::fromStdString(design.factors[f].name);
        entry.levels.push_back(design.factors[f].levels);
    }
    entry.hasLabels = problem.labelsInUse;
    if (entry.hasLabels) {
        for (int f = 0; f < design.factorCount(); ++f) {
            QStringList labels;
            for (int level = 0; level < design.factors[f].levels; ++level)
                labels << levelLabel(design, f, level);
            entry.labels.push_back(labels);
        }
    }
    return entry;
}

bool entryMatchesProblem(const RecentFileEntry &entry, const ProblemState &problem)
{
    RecentFileEntry current = recentEntryForProblem(problem, entry.path);
    return current == entry;
}

void loadDesignFromEntry(const RecentFileEntry &entry, ProblemState &problem)
{
    Design &design = problem.design;
    design.factors.clear();
    for (int f = 0; f < entry.factorCount; ++f)
        design.factors.push_back(makeFactor(entry.factorNames[f].toStdString(), entry.levels[f]));
    design.problemLabel = entry.problemName.toStdString();
    design.levelLabels.clear();
    if (problem.labelsInUse && entry.hasLabels) {
        for (const QStringList &labels : entry.labels) {
            std::vector<std::string> factorLabels;
            for (const QString &label : labels)
                factorLabels.push_back(label.toStdString());
            design.levelLabels.push_back(factorLabels);
        }
    } else {
        problem.labelsInUse = false;
    }
}

std::optional<Message> factorNameRefusal(const QString &name)
{
    if (!name.contains(','))
        return std::nullopt;
    return Message{"The factor name cannot contain a comma.  Commas separate the names in the list of recently used "
                   "files.",
                   "Error", MessageIcon::Critical, MessageButtons::Ok};
}

std::optional<Message> levelLabelRefusal(const QString &label)
{
    if (!label.contains(','))
        return std::nullopt;
    return Message{"A level label cannot contain a comma.  Commas separate the labels in the list of recently used "
                   "files.",
                   "Error", MessageIcon::Critical, MessageButtons::Ok};
}

} // namespace kelsim
