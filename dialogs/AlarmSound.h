// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CoreDoor.h"

#include <QString>
#include <memory>

class QSoundEffect;

namespace vatrel {

// The alarm sound: a wave file played over and over until stopped. Lives on the thread that starts
// it (the core's in the running program), so a busy window thread never delays or cuts it.
class AlarmSound : public SoundOutput {
public:
    AlarmSound();
    ~AlarmSound() override;
    AlarmSound(const AlarmSound&) = delete;
    AlarmSound& operator=(const AlarmSound&) = delete;

    // A missing or empty path plays nothing (QSoundEffect would report a missing file only later).
    void play(const QString& wavPath) override;
    void stop() override;
    void release() override;
    bool isPlaying() const;

private:
    std::unique_ptr<QSoundEffect> m_effect; // made by the first sound that has a file to play
};

} // namespace vatrel
