#pragma once

#include "FileDialogService.h"

#include <deque>
#include <vector>

namespace kelsim {

// For tests: answers from a script (cancel when it runs dry) and records every request.
class ScriptedFileDialogService : public FileDialogService {
  public:
    QString openFile(const FileDialogRequest &request, QWidget *parent = nullptr) override;
    QString saveFile(const FileDialogRequest &request, QWidget *parent = nullptr) override;

    std::deque<QString> answers;
    std::vector<FileDialogRequest> requests;
};

} // namespace kelsim
