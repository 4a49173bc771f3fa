// SPDX-License-Identifier: GPL-3.0-or-later
// The report decoders on arbitrary report texts, without the frame check in front of them: status,
// measurements, bus error and time-out counts, no-link reports. The first byte picks the report
// code, the rest is the text.
#include "FuzzSupport.h"
#include "link/ReportDecoder.h"

using namespace vatrel;
using namespace vatrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietConsoleUi ui{true}; // Yes to every question: more of the program runs
    static auto c = [] {
        auto console = std::make_unique<Console>();
        prepareConsole(*console, ui, QStringLiteral("/nonexistent/vatrel-fuzz"));
        addSensors(*console);
        return console;
    }();
    if (size < 1) return 0;
    static const quint8 codes[] = {0x41, 0x42, 0xFD, 0xFE, 0xFF};
    const quint8 code = data[0] < 5 ? codes[data[0]] : data[0];
    const QByteArray text(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    c->decoder().decode(text.constData(), int(text.size()), code);
    checkConsole(*c);
    return 0;
}
