// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/AlarmSound.h"

#include <QFile>
#include <QSoundEffect>
#include <QUrl>

namespace vatrel {

AlarmSound::AlarmSound() = default;

AlarmSound::~AlarmSound() { stop(); }

void AlarmSound::play(const QString& wavPath) {
    if (wavPath.isEmpty() || !QFile::exists(wavPath)) return;
    if (!m_effect) m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl::fromLocalFile(wavPath));
    m_effect->setLoopCount(QSoundEffect::Infinite);
    m_effect->play();
}

void AlarmSound::stop() {
    if (m_effect) m_effect->stop();
}

void AlarmSound::release() {
    stop();
    m_effect.reset();
}

bool AlarmSound::isPlaying() const { return m_effect && m_effect->isPlaying(); }

} // namespace vatrel
