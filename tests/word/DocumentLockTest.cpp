#include "DocumentLock.h"
#include "WordTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace kelsim;
using namespace kelsim::test;

namespace {

class DocumentLockTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        document = dir.filePath(QStringLiteral("report.docx"));
        writeAll(document, QByteArray("document bytes"));
    }

    // Another holder of the document, through a descriptor of its own.
    int openElsewhere() const { return ::open(QFile::encodeName(document).constData(), O_RDWR | O_CLOEXEC); }

    QTemporaryDir dir;
    QString document;
};

} // namespace

TEST_F(DocumentLockTest, officeLockFileBesideTheDocumentMeansItIsOpenElsewhere)
{
    for (const QString &lockName : {QStringLiteral(".~lock.report.docx#"), QStringLiteral("~lock.report.docx#")}) {
        const QString lockFile = dir.filePath(lockName);
        writeAll(lockFile, QByteArray(",Someone,host,01.01.2024 10:00,file:///home/someone/.config/office;"));
        EXPECT_EQ(checkDocumentLock(document).state, DocumentLockState::Locked) << lockName.toStdString();
        QFile::remove(lockFile);
    }
    writeAll(dir.filePath(QStringLiteral(".~lock.other.docx#")), QByteArray("x"));
    EXPECT_EQ(checkDocumentLock(document).state, DocumentLockState::Free) << "another document's lock file";
    EXPECT_EQ(officeLockFileNames(document), (QStringList{dir.filePath(QStringLiteral(".~lock.report.docx#")),
                                                          dir.filePath(QStringLiteral("~lock.report.docx#"))}));
}

TEST_F(DocumentLockTest, fileOrRecordLockHeldElsewhereMeansLocked)
{
    for (bool record : {false, true}) {
        const int holder = openElsewhere();
        ASSERT_GE(holder, 0);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        ASSERT_EQ(record ? ::fcntl(holder, F_OFD_SETLK, &lock) : ::flock(holder, LOCK_EX | LOCK_NB), 0);
        EXPECT_EQ(checkDocumentLock(document).state, DocumentLockState::Locked) << record;
        ::close(holder);
        EXPECT_EQ(checkDocumentLock(document).state, DocumentLockState::Free) << record;
    }
}

TEST_F(DocumentLockTest, missingDocumentCannotBeOpened)
{
    const DocumentLockCheck check = checkDocumentLock(dir.filePath(QStringLiteral("gone.docx")));
    EXPECT_EQ(check.state, DocumentLockState::Unwritable);
    EXPECT_EQ(check.failure.kind, DocumentFailure::NotFound);
}
