// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A console fixture whose windows reach the core through an inline door (no thread), as in every
// widget test: what a window does shows in the console at once.
#include "common/ConsoleFixture.h"
#include "core/CoreDoor.h"

namespace vatrel::testing {

class WindowFixture : public ConsoleFixture {
public:
    using ConsoleFixture::ConsoleFixture;
    CoreDoor door{c, CoreDoor::Mode::Inline};
};

} // namespace vatrel::testing
