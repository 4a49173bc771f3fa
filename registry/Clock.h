// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>
#include <functional>
#include <utility>

namespace vatrel {

// The console's time source: the wall clock, or whatever a test puts in its place.
class Clock {
public:
    using Source = std::function<QDateTime()>;

    Clock() = default;
    Clock& operator=(Source source) {
        m_source = std::move(source);
        return *this;
    }

    QDateTime operator()() const { return m_source(); }
    double now() const; // the current time as a stored record's day count

private:
    Source m_source = [] { return QDateTime::currentDateTime(); };
};

} // namespace vatrel
