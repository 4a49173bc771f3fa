// SPDX-License-Identifier: GPL-3.0-or-later
// The log viewer on a sensor log of 1,000,000 records (328 MB): opening it on its last page, going to
// the first page, and going back to the last page after 1,000 records were appended meanwhile; for the
// indexed listing and, in the same run, for a plain re-read of the whole file at every page change
// (each record read, filtered and counted, only the wanted page decoded and formatted).
// Targets: open <= 2 s, page change <= 50 ms, index <= 8 bytes a record.
#include "registry/QuietConsoleUi.h"
#include "core/Console.h"
#include "registry/DateTime.h"
#include "registry/ReportListing.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace vatrel;

namespace {

constexpr qint64 kRecords = 1000000;

// Codes of a busy sensor: mostly alarms and returns to normal, some link losses and arming.
QByteArray makeRecords(qint64 from, qint64 n) {
    static const int codes[] = {33, 0, 33, 0, 16, 18, 15, 32, 9, 33};
    QByteArray out;
    out.reserve(n * EventRecord::kSize);
    EventRecord r;
    r.factory_number = 1234;
    for (qint64 i = from; i < from + n; ++i) {
        r.time = 45000.0 + double(i) / 2000.0;
        r.code = qint8(codes[i % 10]);
        r.text = QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1234, запись %1").arg(i);
        out += r.encode();
    }
    return out;
}

struct Fixture {
    QTemporaryDir dir;
    QString path;
    QuietConsoleUi ui;
    Console c;
    Fixture() {
        c.data_dir = dir.path();
        c.ui = &ui;
        path = dir.filePath(QStringLiteral("1234"));
        reset();
    }
    void reset() {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
        for (qint64 at = 0; at < kRecords; at += 100000)
            f.write(makeRecords(at, 100000));
    }
    // Drops this file's pages from the page cache, as after a reboot (only this file: the machine's
    // other caches stay).
    void evict() {
        const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY);
        if (fd < 0) return;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
    void append(qint64 n) {
        QFile f(path);
        if (f.open(QIODevice::Append)) f.write(makeRecords(f.size() / EventRecord::kSize, n));
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

LogFilter filterOf(const benchmark::State& state) {
    return state.range(0) ? LogFilter::Alarms : LogFilter::All;
}

// The page shown, read the way the viewer did before the index: every record of the file read and
// filtered, the wanted page's records decoded and formatted. Returns the number of pages.
int plainReread(const QString& path, LogFilter filter, int wantedPage, TextGrid& grid) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    char buf[EventRecord::kSize];
    qint64 position = 0;
    while (f.read(buf, EventRecord::kSize) == EventRecord::kSize) {
        if (!passesFilter(filter, qint8(buf[16]))) continue;
        const int page = int(position / REPORT_PAGE_SIZE);
        if (wantedPage < 0 || page == wantedPage) {
            EventRecord r;
            r.decode(QByteArrayView(buf, EventRecord::kSize));
            const int row = int(position % REPORT_PAGE_SIZE) + 1;
            grid.set(0, row, formatDateTime(r.time));
            grid.set(1, row, r.text);
        }
        ++position;
    }
    return int(position / REPORT_PAGE_SIZE) + 1; // with the end row
}

void BM_Indexed_OpenLastPage(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        ReportListing l(f.c.data_dir, f.c.notices);
        l.filter = filterOf(state);
        if (!l.load(f.path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(l.grid.at(1, 1));
        state.counters["index_bytes_per_record"] = double(l.index().memoryBytes()) / double(kRecords);
    }
}

void BM_Indexed_OpenLastPage_Cold(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.evict();
        state.ResumeTiming();
        ReportListing l(f.c.data_dir, f.c.notices);
        l.filter = filterOf(state);
        if (!l.load(f.path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(l.grid.at(1, 1));
    }
}

void BM_Plain_FirstPage_Cold(benchmark::State& state) {
    Fixture& f = fixture();
    TextGrid grid(2, REPORT_PAGE_SIZE + 2);
    for (auto _ : state) {
        state.PauseTiming();
        f.evict();
        state.ResumeTiming();
        benchmark::DoNotOptimize(plainReread(f.path, filterOf(state), 0, grid));
    }
}

void BM_Indexed_FirstPage(benchmark::State& state) {
    Fixture& f = fixture();
    ReportListing l(f.c.data_dir, f.c.notices);
    l.filter = filterOf(state);
    l.load(f.path);
    for (auto _ : state) {
        if (!l.changePage(PageButton::First)) state.SkipWithError("page change failed");
        benchmark::DoNotOptimize(l.grid.at(1, 1));
    }
}

void BM_Indexed_BackWith1000Appended(benchmark::State& state) {
    Fixture& f = fixture();
    f.reset();
    ReportListing l(f.c.data_dir, f.c.notices);
    l.filter = filterOf(state);
    l.load(f.path);
    for (auto _ : state) {
        state.PauseTiming();
        l.changePage(PageButton::First);
        f.append(1000);
        state.ResumeTiming();
        if (!l.changePage(PageButton::Last)) state.SkipWithError("page change failed");
        benchmark::DoNotOptimize(l.grid.at(1, 1));
    }
    state.counters["full_indexings"] = l.index().fullIndexings();
    f.reset();
}

void BM_Plain_OpenLastPage(benchmark::State& state) {
    Fixture& f = fixture();
    TextGrid grid(2, REPORT_PAGE_SIZE + 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(plainReread(f.path, filterOf(state), -1, grid));
}

void BM_Plain_FirstPage(benchmark::State& state) {
    Fixture& f = fixture();
    TextGrid grid(2, REPORT_PAGE_SIZE + 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(plainReread(f.path, filterOf(state), 0, grid));
}

void BM_Plain_BackWith1000Appended(benchmark::State& state) {
    Fixture& f = fixture();
    f.reset();
    TextGrid grid(2, REPORT_PAGE_SIZE + 2);
    // The last page as the viewer knew it before the records were appended.
    int lastPage = plainReread(f.path, filterOf(state), 0, grid) - 1;
    for (auto _ : state) {
        state.PauseTiming();
        f.append(1000);
        state.ResumeTiming();
        lastPage = plainReread(f.path, filterOf(state), lastPage, grid) - 1;
    }
    f.reset();
}

} // namespace

// Argument: 0 = "Все", 1 = "Тревожные".
BENCHMARK(BM_Indexed_OpenLastPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Indexed_OpenLastPage_Cold)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Plain_FirstPage_Cold)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Indexed_FirstPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_Indexed_BackWith1000Appended)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Plain_OpenLastPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Plain_FirstPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Plain_BackWith1000Appended)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
