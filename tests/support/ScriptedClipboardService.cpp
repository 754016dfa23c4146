#include "ScriptedClipboardService.h"

namespace kelsim {

bool ScriptedClipboardService::setText(const QString &text)
{
    if (writeFailures > 0) {
        --writeFailures;
        return false;
    }
    contents = text;
    ++writes;
    return true;
}

std::optional<QString> ScriptedClipboardService::text()
{
    if (readFailures > 0) {
        --readFailures;
        return std::nullopt;
    }
    return contents;
}

} // namespace kelsim
