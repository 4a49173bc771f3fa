// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"

#include <QString>
#include <QStringList>

namespace vatrel {

constexpr int kPortCount = 71; // "COM1" … "COM70" and one empty item

// The serial port the converter is on, as chosen in the port list: index 0 = "COM1" … 69 = "COM70",
// 70 = the empty item (port number index + 1). Kept in data/hw.dat. A change is announced as
// View::PortChoice and converterChanged.
class PortChoice {
public:
    void connect(const ChangeNotices* notices) { m_line.connect(notices); }

    // The port list's texts: "COM1" … "COM70", then one empty item.
    static QString name(int index);
    static QStringList names();

    int index() const { return m_index; }
    int portNumber() const { return m_index + 1; }
    QString portName() const { return name(m_index); }

    // The operator chose the port at `index`.
    void choose(int index);
    // The choice as data/hw.dat keeps it, read at start-up: the list shows it.
    void restore(int index);

private:
    NoticeLine m_line;
    int m_index = 0;
};

} // namespace vatrel
