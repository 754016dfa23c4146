#pragma once

#include "ClipboardService.h"

namespace kelsim {

// For tests: a clipboard in memory that can be told to fail a number of times.
class ScriptedClipboardService : public ClipboardService {
  public:
    bool setText(const QString &text) override;
    std::optional<QString> text() override;

    QString contents;
    int writeFailures = 0; // the next this many writes fail
    int readFailures = 0;  // the next this many reads fail
    int writes = 0;        // successful writes
};

} // namespace kelsim
