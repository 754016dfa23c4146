#include "TestFiles.h"
#include "DataFileStore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
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

TEST(DataFileStore, savedScoresReadBackWithTheirMarks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scores.dat");
    const std::vector<DataFileScore> scores{{"a", false}, {"b", true}, {"c", false}, {"1,5", false}, {" x", true}};
    ASSERT_TRUE(saveDataFile(path, scores).ok());
    EXPECT_EQ(fileBytes(path), QByteArray("a\r\nbI\r\nc\r\n\"1,5\"\r\n\" xI\"\r\n"));
    const DataFileLoad load = loadDataFile(path);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.scores, scores);
}

TEST(DataFileStore, saveReplacesTheOldFileAndLeavesNoTemporaryFileBehind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scores.dat");
    writeBytes(path, QByteArray(5000, 'x'));
    ASSERT_TRUE(saveDataFile(path, {{"a", false}}).ok());
    EXPECT_EQ(fileBytes(path), QByteArray("a\r\n"));
    EXPECT_EQ(entriesOf(dir.path()), QStringList{"scores.dat"});
}

TEST(DataFileStore, aByteOrderMarkIsSkipped)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bom.dat");
    writeBytes(path, "\xEF\xBB\xBF"
                     "a\r\nb\r\n");
    const DataFileLoad load = loadDataFile(path);
    ASSERT_TRUE(load.ok());
    EXPECT_EQ(load.scores, (std::vector<DataFileScore>{{"a", false}, {"b", false}}));
}

TEST(DataFileStore, filesThatCannotBeDataFilesAreRefusedWithTheirReason)
{
    QTemporaryDir dir;
    struct Case {
        const char *name;
        std::function<QString()> make;
        FileFailure failure;
        const char *textPart;
    };
    const std::vector<Case> cases{
        {"empty",
         [&] {
             writeBytes(dir.filePath("empty.dat"), QByteArray());
             return dir.filePath("empty.dat");
         },
         FileFailure::Empty, "is empty"},
        {"only a byte-order mark",
         [&] {
             writeBytes(dir.filePath("bomonly.dat"), "\xEF\xBB\xBF");
             return dir.filePath("bomonly.dat");
         },
         FileFailure::Empty, "is empty"},
        {"binary",
         [&] {
             writeBytes(dir.filePath("binary.dat"), QByteArray("a\r\n\0\x01\x02\xff\r\n", 9));
             return dir.filePath("binary.dat");
         },
         FileFailure::Binary, "holds characters that no score can contain"},
        {"not UTF-8",
         [&] {
             writeBytes(dir.filePath("latin1.dat"), "caf\xe9\r\nb\r\n");
             return dir.filePath("latin1.dat");
         },
         FileFailure::NotUtf8, "not in UTF-8"},
        {"100 MB",
         [&] {
             QFile file(dir.filePath("huge.dat"));
             EXPECT_TRUE(file.open(QIODevice::WriteOnly));
             EXPECT_TRUE(file.resize(100 * 1024 * 1024));
             return dir.filePath("huge.dat");
         },
         FileFailure::TooLarge, "is too large to be a data file: 104857600 bytes."},
        {"a very long line",
         [&] {
             writeBytes(dir.filePath("long.dat"), "a\r\n" + QByteArray(2 * 1024 * 1024, 'b') + "\r\nc\r\n");
             return dir.filePath("long.dat");
         },
         FileFailure::ScoreTooLong, "score 2 is longer than 255 characters"},
        {"a folder",
         [&] {
             QDir(dir.path()).mkdir("folder.dat");
             return dir.filePath("folder.dat");
         },
         FileFailure::NotAFile, "is a folder or a device"},
        {"a named pipe",
         [&] {
             mkfifo(QFile::encodeName(dir.filePath("pipe.dat")).constData(), 0600);
             return dir.filePath("pipe.dat");
         },
         FileFailure::NotAFile, "is a folder or a device"},
        {"vanished",
         [&] {
             writeBytes(dir.filePath("gone.dat"), "a\r\n");
             QFile::remove(dir.filePath("gone.dat"));
             return dir.filePath("gone.dat");
         },
         FileFailure::NotFound, "cannot be found"},
        {"in a folder that vanished", [&] { return dir.filePath("nowhere/x.dat"); }, FileFailure::NotFound,
         "cannot be found"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.make();
        const DataFileLoad load = loadDataFile(path);
        EXPECT_EQ(load.failure, c.failure);
        EXPECT_TRUE(load.scores.empty());
        const QString text = dataFileProblemText(path, load);
        EXPECT_TRUE(text.contains(path));
        EXPECT_TRUE(text.contains(c.textPart)) << text.toStdString();
    }
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

TEST(DataFileStore, failedSaveInAReadOnlyFolderLeavesTheOldFileByteForByte)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("readonly");
    ASSERT_TRUE(QDir(dir.path()).mkdir("readonly"));
    const QString path = folder + "/scores.dat";
    const QByteArray before("old\r\nscoresI\r\n");
    writeBytes(path, before);
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
    chmod(QFile::encodeName(folder).constData(), 0555);
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

TEST(DataFileStore, aReadOnlyFileIsNotReplaced)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scores.dat");
    const QByteArray before("kept\r\n");
    writeBytes(path, before);
    chmod(QFile::encodeName(dir.path()).constData(), 0777);
    chmod(QFile::encodeName(path).constData(), 0444);
    const int status = runInChild([&] {
        if (!dropRootInChild())
            return kChildCannotSetUp;
        return static_cast<int>(saveDataFile(path, manyScores(5)).failure);
    });
    chmod(QFile::encodeName(dir.path()).constData(), 0700);
    ASSERT_NE(status, kChildCannotSetUp);
    EXPECT_EQ(status, static_cast<int>(FileFailure::PermissionDenied));
    EXPECT_EQ(fileBytes(path), before);
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

TEST(DataFileStore, failedSaveOnAFullFileSystemLeavesTheOldFileByteForByte)
{
    QTemporaryDir dir;
    const QString mountPoint = dir.path();
    // The child mounts a small file system of its own, fills it, and reports what it saw.
    enum : int { kIntact = 0, kSaveDidNotFail = 1, kOldFileChanged = 2, kWrongFailure = 3 };
    const int status = runInChild([&]() -> int {
        const QByteArray target = QFile::encodeName(mountPoint);
        if (geteuid() == 0) {
            if (unshare(CLONE_NEWNS) != 0)
                return kChildCannotSetUp;
        } else {
            const uid_t uid = geteuid();
            const gid_t gid = getegid();
            if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
                return kChildCannotSetUp;
            auto put = [](const char *file, const QByteArray &text) {
                QFile f(file);
                return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
            };
            put("/proc/self/setgroups", "deny");
            if (!put("/proc/self/uid_map", QByteArray::number(uid) + " " + QByteArray::number(uid) + " 1") ||
                !put("/proc/self/gid_map", QByteArray::number(gid) + " " + QByteArray::number(gid) + " 1"))
                return kChildCannotSetUp;
        }
        if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", target.constData(), "tmpfs", 0, "size=64k") != 0)
            return kChildCannotSetUp;
        const QString path = mountPoint + "/scores.dat";
        const QByteArray before("old\r\nscoresI\r\n");
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(before) != before.size())
                return kChildCannotSetUp;
        }
        {
            // Fill what room is left.
            QFile filler(mountPoint + "/filler");
            if (!filler.open(QIODevice::WriteOnly))
                return kChildCannotSetUp;
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
        const DataFileSave save = saveDataFile(path, manyScores(200));
        if (save.ok())
            return kSaveDidNotFail;
        if (fileBytes(path) != before)
            return kOldFileChanged;
        if (save.failure != FileFailure::DiskFull)
            return kWrongFailure;
        return kIntact;
    });
    if (status == kChildCannotSetUp)
        GTEST_SKIP() << "no small file system can be mounted here; the file-size limit test covers a full disk";
    EXPECT_EQ(status, kIntact);
}

TEST(DataFileStore, systemErrorsMapOntoTheConditionsTheUserIsTold)
{
    EXPECT_EQ(failureForSystemError(ENOSPC), FileFailure::DiskFull);
    EXPECT_EQ(failureForSystemError(EFBIG), FileFailure::DiskFull);
    EXPECT_EQ(failureForSystemError(EROFS), FileFailure::PermissionDenied);
    EXPECT_EQ(failureForSystemError(EACCES), FileFailure::PermissionDenied);
    EXPECT_EQ(failureForSystemError(EIO), FileFailure::DeviceNotReady);
    EXPECT_EQ(failureForSystemError(ENOENT), FileFailure::NotFound);
    EXPECT_EQ(failureForSystemError(EINVAL), FileFailure::Other);
}
