// SPDX-License-Identifier: GPL-3.0-or-later
// The stored record codecs on arbitrary bytes: a decoded record encodes to its full size, and
// decoding what was encoded gives the same record again (the codec is stable after one pass). The
// timed disarms' file is taken whole or not at all: what it takes encodes to the very same bytes.
#include "FuzzSupport.h"
#include "registry/Records.h"
#include "registry/TimedDisarms.h"

using namespace vatrel;

namespace {

template <typename Record> void roundTrip(QByteArrayView bytes) {
    Record r;
    const bool ok = r.decode(bytes);
    FUZZ_CHECK(ok == (bytes.size() >= Record::kSize));
    if (!ok) return;
    const QByteArray once = r.encode();
    FUZZ_CHECK(once.size() == Record::kSize);
    Record again;
    FUZZ_CHECK(again.decode(once));
    FUZZ_CHECK(again.encode() == once);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    roundTrip<SensorRecord>(bytes);
    roundTrip<EventRecord>(bytes);
    roundTrip<OperatorRecord>(bytes);
    const QByteArray whole = bytes.toByteArray();
    QString problem;
    if (const auto timers = TimedDisarms::decode(whole, &problem))
        FUZZ_CHECK(TimedDisarms::encode(*timers) == whole);
    else
        FUZZ_CHECK(!problem.isEmpty());
    return 0;
}
