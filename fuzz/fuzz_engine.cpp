// SPDX-License-Identifier: GPL-3.0-or-later
// The receive engine fed arbitrary bytes in arbitrary passes, with the command and clock timers
// firing in between. The input is a list of chunks: one control byte (bits 0-5 the chunk's length,
// bit 6 fires Timer1, bit 7 fires Timer2 before the pass) followed by the bytes that arrive.
#include "FuzzSupport.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/Frame.h"

using namespace vatrel;
using namespace vatrel::fuzz;

namespace {

// Everything the engine wrote is whole ':' commands that pass the frame check.
void checkWritten(const QByteArray& written) {
    qsizetype at = 0;
    while (at < written.size()) {
        FUZZ_CHECK(written[at] == ':');
        const qsizetype end = written.indexOf("\r\n", at);
        if (end < 0) break; // a command cut short by a port that failed mid-way is not resent whole
        FUZZ_CHECK(frame::check(written.constData() + at + 1, int(end - at - 1)));
        at = end + 2;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietConsoleUi ui{true}; // Yes to every question: more of the program runs
    auto c = std::make_unique<Console>();
    prepareConsole(*c, ui, QStringLiteral("/nonexistent/vatrel-fuzz"));
    addSensors(*c);
    MemoryPort port;
    c->link.attachPort(&port);
    c->converterPort().openPort(1);

    size_t at = 0;
    while (at < size) {
        const uint8_t control = data[at++];
        const size_t n = std::min<size_t>(control & 0x3F, size - at);
        if (control & 0x40) onCommandTick(c->link, c->sensors, c->ui);
        if (control & 0x80) onClockTick(c->status, c->clock, c->journal, c->eventLog, c->converterPort());
        port.incoming.append(reinterpret_cast<const char*>(data + at), qsizetype(n));
        at += n;
        c->receiver().receivePass();
        checkConsole(*c);
    }
    checkWritten(port.written);
    c->link.attachPort(nullptr);
    return 0;
}
