// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Console.h"

#include <QDate>
#include <QStringList>

namespace vatrel {

// What the end of a run could not do: the files it could not save (by the texts of the boxes it
// would have shown) and the log records that never reached the disk.
struct ExitOutcome {
    QStringList unsavedFiles;
    size_t lostRecords = 0;
    bool listedInDayLog = false; // the list of unsaved files went into the day's log too

    bool failed() const { return !unsavedFiles.isEmpty() || lostRecords > 0; }
    // The one box the operator sees for all of it; `day` names the day's log the list went to.
    QString boxText(const QDate& day) const;
};

// The end of a run, once it is decided (the operator answered Yes, or the system ends the program):
// the alarm sound stops, every file is saved, the port is closed and the exit is logged. Nothing is
// shown: what failed is gathered, listed on the error output and returned for the windows to show.
// The caller stops the timers first.
ExitOutcome finishRun(Console& c);

} // namespace vatrel
