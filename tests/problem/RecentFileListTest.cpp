#include "RecentFileList.h"
#include "DesktopSettingsStore.h"
#include "ProblemState.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelsim;

namespace {

RecentFileEntry entryFor(const QString &path, QStringList names = {"Age", "Sex"}, std::vector<int> levels = {2, 3})
{
    RecentFileEntry entry;
    entry.path = path;
    entry.problemName = "Problem " + path;
    entry.factorCount = static_cast<int>(levels.size());
    entry.factorNames = names;
    entry.levels = levels;
    return entry;
}

QStringList pathsOf(const RecentFileList &list)
{
    QStringList paths;
    for (const RecentFileEntry &entry : list.entries())
        paths << entry.path;
    return paths;
}

RecentFileList listOf(const QStringList &paths)
{
    RecentFileList list;
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        list.putAtTop(entryFor(*it));
    return list;
}

// The raw records of the settings file, keys spelled as stored.
std::map<QString, QString> storedRecords(const QString &iniPath)
{
    QSettings raw(iniPath, QSettings::IniFormat);
    raw.beginGroup("Settings");
    std::map<QString, QString> records;
    for (const QString &key : raw.childKeys())
        records[key] = raw.value(key).toString();
    return records;
}

void writeIni(const QString &path, const QByteArray &text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

ProblemState twoFactorProblem()
{
    ProblemState problem;
    problem.design.factors = {makeFactor("Age", 2), makeFactor("Sex", 3)};
    problem.design.problemLabel = "Study";
    return problem;
}

} // namespace

TEST(RecentFileList, recordsAreWrittenUnderTheirKeysWithCommaJoinedValues)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    RecentFileEntry labelled = entryFor("/data/first.dat", {"Age", "Sex"}, {2, 3});
    labelled.problemName = "Study one";
    labelled.hasLabels = true;
    labelled.labels = {{"yo", "ol"}, {"m", "f", "x"}};
    RecentFileEntry plain = entryFor("/data/second.dat", {"Group", "Item", "Subject"}, {4, 2, 10});
    plain.problemName = "";
    RecentFileList list;
    list.putAtTop(plain);
    list.putAtTop(labelled);
    {
        DesktopSettingsStore store(ini);
        ASSERT_TRUE(list.write(store));
    }
    const std::map<QString, QString> expected{
        {"Recent_File1", "/data/first.dat"},
        {"Recent_File1_Probname", "Study one"},
        {"Recent_File1_NFactors", "2"},
        {"Recent_File1_FactorNames", "Age,Sex"},
        {"Recent_File1_Nlevels", "2,3"},
        {"Recent_File1_LevLabels", "True"},
        {"Recent_File1_LevelLabels", "yo,ol,m,f,x"},
        {"Recent_File2", "/data/second.dat"},
        {"Recent_File2_Probname", ""},
        {"Recent_File2_NFactors", "3"},
        {"Recent_File2_FactorNames", "Group,Item,Subject"},
        {"Recent_File2_Nlevels", "4,2,10"},
        {"Recent_File2_LevLabels", "False"},
        {"Recent_File2_LevelLabels", ""},
    };
    EXPECT_EQ(storedRecords(ini), expected);

    {
        DesktopSettingsStore again(ini);
        RecentFileList read;
        read.read(again);
        ASSERT_EQ(read.count(), 2);
        EXPECT_EQ(read.entry(1), labelled);
        EXPECT_EQ(read.entry(2), plain);
    }

    // A shorter list leaves no records behind at the positions it no longer fills.
    list.remove("/data/first.dat");
    {
        DesktopSettingsStore store(ini);
        ASSERT_TRUE(list.write(store));
    }
    std::map<QString, QString> shorter;
    for (const auto &[key, value] : expected)
        if (key.startsWith("Recent_File2"))
            shorter[QString(key).replace("Recent_File2", "Recent_File1")] = value;
    EXPECT_EQ(storedRecords(ini), shorter);
}

TEST(RecentFileList, readingPassesOverUnusableRecordsAndStopsAtTheFirstGap)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    auto record = [](int n, const char *path, const char *count, const char *names, const char *levels) {
        const QByteArray key = "Recent_File" + QByteArray::number(n);
        return key + "=" + path + "\n" + key + "_NFactors=" + count + "\n" + key + "_FactorNames=\"" + names + "\"\n" +
               key + "_Nlevels=\"" + levels + "\"\n";
    };
    writeIni(ini, "[Settings]\n" + record(1, "/d/big.dat", "2", "A,B", "200,200") +
                      record(2, "/d/good.dat", "2", "A,B", "2,3") + record(4, "/d/after-gap.dat", "2", "A,B", "2,2"));
    DesktopSettingsStore store(ini);
    RecentFileList list;
    list.read(store);
    EXPECT_EQ(pathsOf(list), QStringList{"/d/good.dat"});
}

TEST(RecentFileList, orderAfterSavingOpeningAndReopening)
{
    struct Step {
        enum { Put, Reopen, Remove } kind;
        QString path;
        int position;
    };
    struct Case {
        const char *name;
        QStringList before;
        std::vector<Step> steps;
        QStringList after;
    };
    const std::vector<Case> cases{
        {"four files saved in turn, then a fifth",
         {},
         {{Step::Put, "/1", 0}, {Step::Put, "/2", 0}, {Step::Put, "/3", 0}, {Step::Put, "/4", 0}, {Step::Put, "/5", 0}},
         {"/5", "/4", "/3", "/2"}},
        {"reopening entry 3 of four", {"/a", "/b", "/c", "/d"}, {{Step::Reopen, "", 3}}, {"/c", "/a", "/b", "/d"}},
        {"reopening entry 1", {"/a", "/b", "/c", "/d"}, {{Step::Reopen, "", 1}}, {"/a", "/b", "/c", "/d"}},
        {"reopening entry 4 of four", {"/a", "/b", "/c", "/d"}, {{Step::Reopen, "", 4}}, {"/d", "/a", "/b", "/c"}},
        {"saving the first entry again", {"/a", "/b"}, {{Step::Put, "/a", 0}}, {"/a", "/b"}},
        {"opening a listed file moves it up without a second entry",
         {"/a", "/b", "/c"},
         {{Step::Put, "/c", 0}},
         {"/c", "/a", "/b"}},
        {"a new file in a short list", {"/a", "/b"}, {{Step::Put, "/n", 0}}, {"/n", "/a", "/b"}},
        {"a file that is gone", {"/a", "/b", "/c"}, {{Step::Remove, "/b", 0}}, {"/a", "/c"}},
        {"the same file named differently",
         {"/d/a.dat", "/d/b.dat"},
         {{Step::Put, "/d/./x/../b.dat", 0}},
         {"/d/./x/../b.dat", "/d/a.dat"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RecentFileList list = listOf(c.before);
        for (const Step &step : c.steps) {
            if (step.kind == Step::Put)
                list.putAtTop(entryFor(step.path));
            else if (step.kind == Step::Remove)
                list.remove(step.path);
            else
                list.moveToTop(step.position);
        }
        EXPECT_EQ(pathsOf(list), c.after);
    }
}

TEST(RecentFileList, savingTheFirstEntryAgainRefreshesItsDesign)
{
    RecentFileList list = listOf({"/a", "/b"});
    list.putAtTop(entryFor("/a", {"X", "Y", "Z"}, {2, 2, 2}));
    EXPECT_EQ(list.entry(1).factorCount, 3);
    EXPECT_EQ(list.entry(1).factorNames, (QStringList{"X", "Y", "Z"}));
}

TEST(RecentFileList, anEntryMovedDownKeepsItsOwnLabelsInTheStore)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    RecentFileEntry labelled = entryFor("/d/labelled.dat");
    labelled.hasLabels = true;
    labelled.labels = {{"a", "b"}, {"c", "d", "e"}};
    RecentFileList list;
    {
        DesktopSettingsStore store(ini);
        list.putAtTop(entryFor("/d/old.dat", {"P", "Q"}, {2, 2}));
        list.putAtTop(labelled);
        ASSERT_TRUE(list.write(store));
        // A file saved without labels pushes the labelled entry to position 2.
        list.putAtTop(entryFor("/d/plain.dat"));
        ASSERT_TRUE(list.write(store));
    }
    DesktopSettingsStore store(ini);
    RecentFileList read;
    read.read(store);
    ASSERT_EQ(read.count(), 3);
    EXPECT_EQ(read.entry(2), labelled);
    EXPECT_FALSE(read.entry(3).hasLabels);
}

TEST(RecentFileList, theCurrentDesignMatchesOnlyAnIdenticalEntry)
{
    ProblemState problem = twoFactorProblem();
    problem.labelsInUse = true;
    problem.design.levelLabels = {{"y", "o"}, {"m", "f", "x"}};
    const RecentFileEntry same = recentEntryForProblem(problem, "/d/a.dat");
    EXPECT_TRUE(entryMatchesProblem(same, problem));

    struct Case {
        const char *name;
        std::function<void(RecentFileEntry &)> change;
    };
    const std::vector<Case> cases{
        {"problem label", [](RecentFileEntry &e) { e.problemName = "Other"; }},
        {"three factors",
         [](RecentFileEntry &e) {
             e.factorCount = 3;
             e.factorNames << "C";
             e.levels.push_back(2);
         }},
        {"factor name", [](RecentFileEntry &e) { e.factorNames[1] = "Sox"; }},
        {"level count", [](RecentFileEntry &e) { e.levels[0] = 4; }},
        {"labels off", [](RecentFileEntry &e) { e.hasLabels = false; }},
        {"one label", [](RecentFileEntry &e) { e.labels[1][2] = "z"; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RecentFileEntry changed = same;
        c.change(changed);
        EXPECT_FALSE(entryMatchesProblem(changed, problem));
    }
}

TEST(RecentFileList, loadingAnEntryGivesItsDesign)
{
    RecentFileEntry entry = entryFor("/d/a.dat", {"Group", "Item", "Subject"}, {2, 3, 4});
    entry.hasLabels = true;
    entry.labels = {{"g1", "g2"}, {"i1", "i2", "i3"}, {"1", "2", "3", "4"}};

    ProblemState withLabels;
    withLabels.labelsInUse = true;
    loadDesignFromEntry(entry, withLabels);
    EXPECT_EQ(withLabels.design.cellCount(), 24);
    EXPECT_EQ(withLabels.design.factors[2].letter, "S");
    EXPECT_TRUE(withLabels.labelsInUse);
    EXPECT_TRUE(entryMatchesProblem(entry, withLabels));

    ProblemState labelsOff;
    loadDesignFromEntry(entry, labelsOff);
    EXPECT_FALSE(labelsOff.labelsInUse);
    EXPECT_TRUE(labelsOff.design.levelLabels.empty());

    ProblemState entryWithoutLabels;
    entryWithoutLabels.labelsInUse = true;
    entry.hasLabels = false;
    entry.labels.clear();
    loadDesignFromEntry(entry, entryWithoutLabels);
    EXPECT_FALSE(entryWithoutLabels.labelsInUse);
}
