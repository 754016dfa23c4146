#pragma once

#include <QString>

class QWidget;

namespace kelsim {

struct FileDialogRequest {
    QString title;
    QString filter;        // Qt form: "Data Files (*.dat);;All Files (*)"
    QString directory;     // initial folder
    QString proposedName;  // save dialogs: the name offered
    QString defaultSuffix; // added to a name typed without one
    bool confirmOverwrite = true;
};

// Open and save dialogs; an empty answer means the user cancelled.
class FileDialogService {
  public:
    virtual ~FileDialogService() = default;
    virtual QString openFile(const FileDialogRequest &request, QWidget *parent = nullptr) = 0;
    virtual QString saveFile(const FileDialogRequest &request, QWidget *parent = nullptr) = 0;
};

class DesktopFileDialogService : public FileDialogService {
  public:
    QString openFile(const FileDialogRequest &request, QWidget *parent = nullptr) override;
    QString saveFile(const FileDialogRequest &request, QWidget *parent = nullptr) override;
};

} // namespace kelsim
