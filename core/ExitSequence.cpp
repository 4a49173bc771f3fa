// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ExitSequence.h"
#include "registry/DateTime.h"
#include "registry/EventCatalogue.h"
#include "registry/EventLog.h"
#include "core/Startup.h"

#include <cstdio>

namespace vatrel {

namespace {

// The log's own notes say its records wait for the disk; at exit those are counted as lost instead.
QStringList unsavedFiles(const QStringList& failures) {
    QStringList files;
    for (const QString& f : failures)
        if (!f.startsWith(QLatin1String("Put_msg")) && !f.startsWith(QLatin1String("Записи журнала")))
            files << f;
    return files;
}

} // namespace

QString ExitOutcome::boxText(const QDate& day) const {
    QString text;
    if (!unsavedFiles.isEmpty()) {
        text = QStringLiteral("При выходе не сохранено файлов: ") + QString::number(unsavedFiles.size());
        constexpr int kShown = 5;
        for (int i = 0; i < qMin(kShown, int(unsavedFiles.size())); ++i)
            text += QLatin1Char('\n') + unsavedFiles[i];
        if (unsavedFiles.size() > kShown)
            text += QStringLiteral("\n… и ещё ") + QString::number(unsavedFiles.size() - kShown);
        const QString listWentTo = listedInDayLog && lostRecords == 0
                                       ? QStringLiteral("в протоколе за ") + formatDate(day)
                                       : QStringLiteral("в потоке ошибок программы (stderr)");
        text += QStringLiteral("\nПолный список: ") + listWentTo + QLatin1Char('.');
    }
    if (lostRecords > 0) {
        if (!text.isEmpty()) text += QStringLiteral("\n\n");
        text +=
            QStringLiteral("Записи журнала, не попавшие на диск, потеряны: ") + QString::number(lostRecords);
    }
    return text;
}

ExitOutcome finishRun(Console& c) {
    // The run is over: the alarm sound stops now, not when the program is gone.
    c.alarms.setSoundOn(false);
    if (c.ui) c.ui->stopAlarmSound();
    // What cannot be saved or logged now is told in one box at the end, not a box per file: with a
    // read-only data folder that would be one for each of up to 200 settings files.
    QStringList failures;
    if (c.ui) c.ui->gatherMessages(&failures);
    saveAllOnExit(c.sensors, c.store);
    c.link.closePort();
    ExitOutcome out;
    out.unsavedFiles = unsavedFiles(failures);
    // The whole list goes to the program's error output and, while the day's log takes records
    // (nothing kept back so far), into the log too, before the exit's own record.
    for (const QString& f : out.unsavedFiles)
        std::fprintf(stderr, "vatrel-console: not saved at exit: %s\n", qPrintable(f));
    out.listedInDayLog = c.journal.keptCount() == 0;
    if (out.listedInDayLog)
        for (const QString& f : out.unsavedFiles)
            c.eventLog.logProgramEvent(c.eventLog.programEvent(EventCode::NotSavedAtExit, f));
    c.eventLog.logProgramEvent(c.eventLog.programEvent(EventCode::ProgramExit));
    c.journal.retryKept(c.eventLog.outlet());
    if (c.ui) c.ui->gatherMessages(nullptr);
    out.lostRecords = c.journal.keptCount();
    if (out.lostRecords > 0)
        std::fprintf(stderr, "vatrel-console: log records lost at exit: %zu\n", out.lostRecords);
    return out;
}

} // namespace vatrel
