#include "FileDialogService.h"

#include <QFileDialog>

namespace kelsim {

namespace {

QString runDialog(const FileDialogRequest &request, QWidget *parent, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.title, request.directory, request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace

QString DesktopFileDialogService::openFile(const FileDialogRequest &request, QWidget *parent)
{
    return runDialog(request, parent, QFileDialog::AcceptOpen);
}

QString DesktopFileDialogService::saveFile(const FileDialogRequest &request, QWidget *parent)
{
    return runDialog(request, parent, QFileDialog::AcceptSave);
}

} // namespace kelsim
