#include "ScriptedFileDialogService.h"

namespace kelsim {

QString ScriptedFileDialogService::openFile(const FileDialogRequest &request, QWidget *)
{
    requests.push_back(request);
    if (answers.empty())
        return QString();
    const QString answer = answers.front();
    answers.pop_front();
    return answer;
}

QString ScriptedFileDialogService::saveFile(const FileDialogRequest &request, QWidget *parent)
{
    return openFile(request, parent);
}

} // namespace kelsim
