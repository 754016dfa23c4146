// Property: whatever the settings file holds, the remembered files read from it describe designs
// the program can hold, and writing them and reading them back gives the same list, also after
// the list has grown shorter.
#include "DesktopSettingsStore.h"
#include "RecentFileList.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace kelsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const QString input = dir.filePath("input.ini");
    const QString output = dir.filePath("output.ini");
    QFile::remove(output);
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    RecentFileList list;
    {
        DesktopSettingsStore store(input);
        list.read(store);
    }
    if (list.count() > kRecentFileCount)
        std::abort();
    for (const RecentFileEntry &entry : list.entries()) {
        int64_t cells = 1;
        if (entry.factorCount < 2 || entry.factorCount > 6 ||
            static_cast<int>(entry.levels.size()) != entry.factorCount)
            std::abort();
        for (int levels : entry.levels) {
            if (levels < 2)
                std::abort();
            cells *= levels;
        }
        if (cells > 16352 || entry.path.isEmpty())
            std::abort();
    }
    // Written, the list reads back as it is, and so does the same list written over it one entry
    // shorter: no record of a position it no longer fills is left behind.
    for (;;) {
        {
            DesktopSettingsStore store(output);
            list.write(store);
            store.sync();
        }
        RecentFileList again;
        {
            DesktopSettingsStore store(output);
            again.read(store);
        }
        if (!(again.entries() == list.entries()))
            std::abort();
        if (list.count() == 0)
            break;
        list.remove(list.entry(list.count()).path);
    }
    return 0;
}
