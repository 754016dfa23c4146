#pragma once

#include "DataFileFormat.h"
#include "Design.h"
#include "NTable.h"
#include "RunSettings.h"

#include <QString>

#include <vector>

namespace kelsim {

// Where the scores came from and whether they are safe on disk.
struct DataSession {
    QString dataFilePath;
    QString savedAsPath;
    bool fromFile = false;
    bool changedSinceSave = false;
    bool savedToFile = false;
    bool notConfirmed = true;
    bool readFileOnOpen = false;
    bool fileReadFailed = false;
};

// The one current problem: the design, its scores and what was made from them. Owned by the
// application and handed to the windows by reference.
struct ProblemState {
    Design design;
    ScoreSet scores;                          // filled in cell order by "Data OK"
    ScoreSet scoresBackup;                    // taken when the user leaves the grid for the design screen
    std::vector<DataFileScore> dataFileImage; // scores with their marks as the last "Data OK" left them
    bool labelsInUse = false;
    bool nestingSpecified = false;
    bool designAnalysed = false;
    bool hasTable = false;
    NTable table;
    DataSession session;
    RunSettings run; // chosen for the whole session, not for one problem

    // Forgets everything of the problem; the run settings live on.
    void reset()
    {
        const RunSettings kept = run;
        *this = ProblemState();
        run = kept;
    }
};

} // namespace kelsim
