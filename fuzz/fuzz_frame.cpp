// SPDX-License-Identifier: GPL-3.0-or-later
// The frame check and the command encoder: a text the check accepts is well formed, and every
// command the console can encode passes the check with its words readable back.
#include "FuzzSupport.h"
#include "link/Frame.h"

#include <vector>

using namespace vatrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const int len = int(std::min<size_t>(size, 4096));
    if (frame::check(text, len)) {
        FUZZ_CHECK(len >= 4 && len % 2 == 0);
        for (int k = 0; k < len; ++k)
            FUZZ_CHECK(frame::charToNibble(text[k]) >= 0);
    }

    // The input as a word list, encoded the way the console sends it.
    std::vector<quint16> words;
    for (size_t i = 0; i + 1 < size && words.size() < 64; i += 2)
        words.push_back(quint16(data[i] | data[i + 1] << 8));
    if (words.empty()) return 0;
    words.push_back(frame::checksum(words.data(), int(words.size())));
    const QByteArray out = frame::encode(':', words.data(), int(words.size()));
    FUZZ_CHECK(out.size() == 1 + 4 * qsizetype(words.size() - 1) + 2 + 2);
    FUZZ_CHECK(out.startsWith(':') && out.endsWith("\r\n"));
    const int inner = int(out.size()) - 3;
    FUZZ_CHECK(frame::check(out.constData() + 1, inner));
    for (size_t i = 0; i + 1 < words.size(); ++i)
        FUZZ_CHECK(frame::wordAt(out.constData() + 1, int(4 * i)) == words[i]);
    return 0;
}
