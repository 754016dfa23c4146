#pragma once

#include "Message.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kelsim {

class SettingsStore;
struct ProblemState;

constexpr int kRecentFileCount = 4;

// One remembered data file with the design it was last used with.
struct RecentFileEntry {
    QString path;
    QString problemName;
    int factorCount = 0;
    QStringList factorNames;
    std::vector<int> levels;
    bool hasLabels = false;
    std::vector<QStringList> labels; // [factor][level], 0-based; filled when hasLabels

    bool operator==(const RecentFileEntry &o) const
    {
        return path == o.path && problemName == o.problemName && factorCount == o.factorCount &&
               factorNames == o.factorNames && levels == o.levels && hasLabels == o.hasLabels && labels == o.labels;
    }
};

// Up to four remembered data files, position 1 the most recent, mirrored in the settings store
// under "Recent_File" + position and its companion keys. A path appears at most once.
class RecentFileList {
  public:
    int count() const { return static_cast<int>(entries_.size()); }
    const RecentFileEntry &entry(int position) const { return entries_.at(position - 1); }
    const std::vector<RecentFileEntry> &entries() const { return entries_; }
    // 1-based position of the file, 0 when it is not remembered.
    int positionOf(const QString &path) const;
    // The menu caption of the entry: "&" + position + " " + path.
    QString caption(int position) const;
    QStringList captions() const;

    // Puts the entry at position 1. When its file is already remembered, that entry leaves its
    // place and the ones above it move down by one; otherwise every entry moves down and a
    // fifth falls off.
    void putAtTop(const RecentFileEntry &entry);
    // A reopened entry goes to position 1 unchanged; the entries above it move down by one.
    void moveToTop(int position);
    // The file leaves the list (a remembered file that no longer exists); the entries below it
    // move up by one.
    void remove(const QString &path);

    // Reads the records, stopping at the first position without a path. Records that do not
    // describe a design the program can hold, or repeat an earlier path, are passed over.
    void read(const SettingsStore &store);
    // Writes the records of every entry and removes those of the positions the list no longer
    // fills, so that a shorter list reads back as short; false when the store could not be
    // written.
    bool write(SettingsStore &store) const;

  private:
    std::vector<RecentFileEntry> entries_;
};

// The entry for the current design under the given path: its factor names and levels, and the
// level labels when they are in use.
RecentFileEntry recentEntryForProblem(const ProblemState &problem, const QString &path);

// Whether the remembered entry describes the current design: problem label, factors, names,
// levels, whether labels are in use and (when they are) every label.
bool entryMatchesProblem(const RecentFileEntry &entry, const ProblemState &problem);

// Loads the entry's design into the problem: factors, names (the full names too), levels and
// problem label; its labels when labels are in use and the entry has them, otherwise labels are
// turned off for this design.
void loadDesignFromEntry(const RecentFileEntry &entry, ProblemState &problem);

// Commas separate the names and labels in the remembered records, so a name or label holding
// one is refused where it is typed. Each returns the message to show, or nothing when the text
// is acceptable.
std::optional<Message> factorNameRefusal(const QString &name);
std::optional<Message> levelLabelRefusal(const QString &label);

} // namespace kelsim
