// SPDX-License-Identifier: GPL-3.0-or-later
// The stored-file loaders on arbitrary files, each followed by the save that comes after it in the
// program's life. The first byte picks the file: 0 hw.dat, 1 a settings file, 2 chop.dat, 3 an event
// log; the rest is its content.
#include "FuzzSupport.h"
#include "registry/EventLog.h"
#include "core/Startup.h"
#include "registry/Storage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace vatrel;
using namespace vatrel::fuzz;

namespace {

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
}

QByteArray get(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietConsoleUi ui{true}; // Yes to every question: more of the program runs
    // In memory where there is a tmpfs: the saves sync to disk, which would slow every run down.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/vatrel-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/vatrel-fuzz-XXXXXX"));
    static const bool folders = [] {
        for (const char* f : {"data", "VatrelA", "VatrelB", "VatrelA_mess", "VatrelB_mess", "QReport"})
            QDir(dir.path()).mkpath(QString::fromLatin1(f));
        return true;
    }();
    FUZZ_CHECK(folders);
    if (size < 1) return 0;
    const QByteArray content(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    auto c = std::make_unique<Console>();
    prepareConsole(*c, ui, dir.path());
    const QString hw = c->path(QStringLiteral("data/hw.dat"));

    switch (data[0] % 4) {
    case 0: { // hardware file: loaded, then saved whole
        put(hw, content);
        startUp(*c);
        checkConsole(*c);
        c->store.saveSensors();
        FUZZ_CHECK(QFileInfo(hw).size() == kHwFileSize);
        break;
    }
    case 1: { // settings file of sensor 77 (type B) in slot 3: loaded, then appended to
        QByteArray image(kHwFileSize, '\0');
        le::put32(image.data() + 18, 77);
        le::put16(image.data() + 22, 1);
        put(hw, image);
        const QString sm = c->path(QStringLiteral("VatrelB/77"));
        put(sm, content);
        startUp(*c);
        checkConsole(*c);
        const qint64 before = content.size() - content.size() % SensorRecord::kSize;
        if (c->sensors.record(3).occupied()) {
            SensorRecord r = c->sensors.record(3);
            r.factory_number = 77;
            r.sensor_type = 1;
            c->store.saveSensorSettings(r, 'a');
            FUZZ_CHECK(QFileInfo(sm).size() == before + SensorRecord::kSize);
            // Start-up may rewrite the last whole record (a disconnection cut short is undone there);
            // every record before it stays as it was.
            const qint64 kept = qMax<qint64>(0, before - SensorRecord::kSize);
            FUZZ_CHECK(get(sm).left(kept) == content.left(kept));
        }
        break;
    }
    case 2: { // operator list: loaded, one operator added, loaded again
        const QString chop = c->path(QStringLiteral("data/chop.dat"));
        put(chop, content);
        OperatorList& l = c->operators;
        l.load(c->data_dir, &ui);
        checkConsole(*c);
        FUZZ_CHECK(l.nextId() <= content.size() / OperatorRecord::kSize);
        if (!l.isFull()) {
            const int added = l.add(c->data_dir, &ui, QStringLiteral("Сидоров"));
            checkConsole(*c);
            if (added < 0) { // the file held the surname already: nothing is written
                FUZZ_CHECK(get(chop) == content);
                break;
            }
            const qint64 whole = content.size() - content.size() % OperatorRecord::kSize;
            FUZZ_CHECK(QFileInfo(chop).size() == whole + OperatorRecord::kSize);
            // The new operator's ID names its record, whatever the file held before.
            FUZZ_CHECK(l.operatorId(added) == whole / OperatorRecord::kSize);
            bool ok = false;
            FUZZ_CHECK(OperatorList::storedSurname(c->data_dir, &ui, l.operatorId(added), &ok) ==
                       QStringLiteral("Сидоров"));
            FUZZ_CHECK(ok);
        }
        break;
    }
    case 3: { // an event log with whatever a crash or another program left: one event appended
        const QString log = c->path(QStringLiteral("VatrelA_mess/5"));
        const QString daily = c->path(QStringLiteral("QReport/01.04.2025"));
        put(log, content);
        put(daily, content);
        c->eventLog.logSensorEvent(
            c->eventLog.makeEvent(5, EventCode::LoopAlarm1, QStringLiteral("Срабатывание 1 шлейфа")), 0);
        const qint64 whole = content.size() - content.size() % EventRecord::kSize;
        for (const QString& p : {log, daily}) {
            const QByteArray after = get(p);
            FUZZ_CHECK(after.size() == whole + EventRecord::kSize);
            FUZZ_CHECK(after.left(whole) == content.left(whole));
            EventRecord last;
            FUZZ_CHECK(last.decode(QByteArrayView(after).sliced(whole)));
            FUZZ_CHECK(last.factory_number == 5 && last.code == storedCode(EventCode::LoopAlarm1));
        }
        FUZZ_CHECK(c->journal.keptFiles() == 0);
        break;
    }
    }
    return 0;
}
