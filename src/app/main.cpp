#include "ClipboardService.h"
#include "DesktopSettingsStore.h"
#include "FileDialogService.h"
#include "KelsimApplication.h"
#include "MessageService.h"
#include "PrintService.h"
#include "Version.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Kelsim");
    QApplication::setApplicationVersion(kelsim::kProgramVersion);
    // Windows the user comes back to are hidden, not closed; the program ends through its own
    // exit path, which asks about unsaved scores first.
    QApplication::setQuitOnLastWindowClosed(false);

    kelsim::DesktopMessageService messages;
    kelsim::DesktopFileDialogService fileDialogs;
    kelsim::DesktopSettingsStore settings;
    kelsim::DesktopClipboardService clipboard;
    kelsim::DesktopPrintService printer;
    kelsim::KelsimApplication app(messages, fileDialogs, settings, clipboard, printer);
    app.start();
    return qapp.exec();
}
