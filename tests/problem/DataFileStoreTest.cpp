#include "DataFileStore.h"
#include "TestFiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kelsim;

using kelsim::testing::fileBytes;
using kelsim::testing::writeFileBytes;

namespace {

constexpr int kChildCannotSetUp = 77;

void writeBytes(const QString &path, const QByteArray &bytes)
{
    ASSERT_TRUE(writeFileBytes(path, bytes));
}

std::vector<DataFileScore> manyScores(int count)
{
    std::vector<DataFileScore> scores;
    for (int i = 0; i < count; ++i)
        scores.push_back({"score" + std::to_string(i), i % 3 == 0});
    return scores;
}

// Runs `body` in a child process (for limits and privileges the test itself must not take on)
// and returns its exit status.
int runInChild(const std::function<int()> &body)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// Root may write anywhere; a child that tests permissions gives that up first.
bool dropRootInChild()
{
    if (geteuid() != 0)
        return true;
    return setgid(65534) == 0 && setuid(65534) == 0;
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

TEST(DataFileStore, saveReplacesTheOldFileWholeAndItsScoresReadBackWithTheirMarks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scores.dat");
    writeBytes(path, QByteArray(5000, 'x'));
    const std::vector<DataFileScore> scores{
        {"a", false}, {"b\r\nc", true}, {"1,5", false}, {"d\"", false}, {"", false}};
    ASSERT_TRUE(saveDataFile(path, scores).ok());
    EXPECT_EQ(fileBytes(path), QByteArray("a\r\n\"b\r\ncI\"\r\n\"1,5\"\r\n\"d\"\"\"\r\n\"\"\r\n"));
    EXPECT_EQ(entriesOf(dir.path()), QStringList{"scores.dat"}); // no temporary file left behind
    const DataFileLoad load = loadDataFile(path);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.scores, scores);
}

TEST(DataFileStore, filesThatCannotBeDataFilesAreRefusedWithTheirReason)
{
    QTemporaryDir dir;
    struct Case {
        const char *name;
        QByteArray bytes; // the file's content; a null array makes no file
        FileFailure failure;
        const char *textPart;
    };
    const std::vector<Case> cases{
        {"empty.dat", "", FileFailure::Empty, "is empty"},
        {"bomonly.dat", "\xEF\xBB\xBF", FileFailure::Empty, "is empty"}, // the byte-order mark is skipped
        {"blank.dat", "\r\n  \r\n", FileFailure::Empty, "it holds no scores"},
        {"binary.dat", QByteArray("a\r\n\0\x01\x02\xff\r\n", 9), FileFailure::Binary, "characters that no score"},
        {"latin1.dat", "caf\xe9\r\nb\r\n", FileFailure::NotUtf8, "not in UTF-8"},
        {"long.dat", "a\r\n" + QByteArray(2 * 1024 * 1024, 'b') + "\r\nc\r\n", FileFailure::ScoreTooLong,
         "score 2 is longer than 255 characters"},
        {"quote.dat", "a\r\n\"b\"\r\n\"c,\r\nd\r\n", FileFailure::UnclosedQuote,
         "the double quote that opens line 3 is never closed."},
        {"nowhere/x.dat", QByteArray(), FileFailure::NotFound, "cannot be found"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.name);
        if (!c.bytes.isNull())
            writeBytes(path, c.bytes);
        const DataFileLoad load = loadDataFile(path);
        EXPECT_EQ(load.failure, c.failure);
        EXPECT_TRUE(load.scores.empty());
        const QString text = dataFileProblemText(path, load);
        EXPECT_TRUE(text.contains(path));
        EXPECT_TRUE(text.contains(c.textPart)) << text.toStdString();
    }
    QDir(dir.path()).mkdir("folder.dat");
    mkfifo(QFile::encodeName(dir.filePath("pipe.dat")).constData(), 0600);
    for (const char *name : {"folder.dat", "pipe.dat"})
        EXPECT_EQ(loadDataFile(dir.filePath(name)).failure, FileFailure::NotAFile) << name;
    QFile huge(dir.filePath("huge.dat"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(100 * 1024 * 1024));
    const DataFileLoad tooLarge = loadDataFile(huge.fileName());
    EXPECT_EQ(tooLarge.failure, FileFailure::TooLarge);
    EXPECT_TRUE(
        dataFileProblemText(huge.fileName(), tooLarge).endsWith("too large to be a data file: 104857600 bytes."));
}

TEST(DataFileStore, aFileWithoutReadPermissionIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("secret.dat");
    writeBytes(path, "a\r\n");
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
    chmod(QFile::encodeName(path).constData(), 0200);
    const int status = runInChild([&] {
        if (!dropRootInChild())
            return kChildCannotSetUp;
        const DataFileLoad load = loadDataFile(path);
        const bool named = dataFileProblemText(path, load).contains("permission to read it is denied");
        return named ? static_cast<int>(load.failure) : kChildCannotSetUp + 1;
    });
    chmod(QFile::encodeName(dir.path()).constData(), 0700);
    ASSERT_NE(status, kChildCannotSetUp);
    EXPECT_EQ(status, static_cast<int>(FileFailure::PermissionDenied));
}

TEST(DataFileStore, saveOverAFolderOrIntoAMissingFolderFails)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("folder.dat");
    EXPECT_EQ(saveDataFile(dir.filePath("folder.dat"), {{"a", false}}).failure, FileFailure::NotAFile);
    const DataFileSave missing = saveDataFile(dir.filePath("nowhere/x.dat"), {{"a", false}});
    EXPECT_EQ(missing.failure, FileFailure::NotFound);
    EXPECT_EQ(missing.errorNumber, ENOENT);
}

TEST(DataFileStore, aReadOnlyFolderOrFileIsLeftByteForByte)
{
    for (const bool folderReadOnly : {true, false}) {
        SCOPED_TRACE(folderReadOnly ? "read-only folder" : "read-only file");
        QTemporaryDir dir;
        const QString folder = dir.filePath("data");
        ASSERT_TRUE(QDir(dir.path()).mkdir("data"));
        const QString path = folder + "/scores.dat";
        const QByteArray before("old\r\nscoresI\r\n");
        writeBytes(path, before);
        chmod(QFile::encodeName(dir.path()).constData(), 0755);
        // A read-only file stays even where the folder would let it be replaced.
        chmod(QFile::encodeName(folder).constData(), folderReadOnly ? 0555 : 0777);
        if (!folderReadOnly)
            chmod(QFile::encodeName(path).constData(), 0444);
        const int status = runInChild([&] {
            if (!dropRootInChild())
                return kChildCannotSetUp;
            return static_cast<int>(saveDataFile(path, manyScores(50)).failure);
        });
        chmod(QFile::encodeName(folder).constData(), 0755);
        ASSERT_NE(status, kChildCannotSetUp);
        EXPECT_EQ(status, static_cast<int>(FileFailure::PermissionDenied));
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(entriesOf(folder), QStringList{"scores.dat"});
    }
}

TEST(DataFileStore, failedSaveAtTheFileSizeLimitLeavesTheOldFileByteForByte)
{
    // A file that fits in the write buffer fails only when flushed; a larger one fails on writing.
    for (const int scoreCount : {200, 5000}) {
        SCOPED_TRACE(scoreCount);
        QTemporaryDir dir;
        const QString path = dir.filePath("scores.dat");
        const QByteArray before("old\r\nscoresI\r\n");
        writeBytes(path, before);
        const int status = runInChild([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1000;
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return kChildCannotSetUp;
            return static_cast<int>(saveDataFile(path, manyScores(scoreCount)).failure);
        });
        ASSERT_NE(status, kChildCannotSetUp);
        EXPECT_EQ(status, static_cast<int>(FileFailure::DiskFull));
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(entriesOf(dir.path()), QStringList{"scores.dat"});
    }
}
