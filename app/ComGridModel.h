// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "link/ConverterLink.h"

#include <QAbstractTableModel>
#include <array>

namespace vatrel {

// StringGridCOM, the diagnostics grid: per position its checksum errors, time-outs and link, made
// from the slots' counters and link states. Column 0 (the position number) looks like a fixed cell.
class ComGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ComGridModel(const ConverterLink& link, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Tells the views of the rows whose counts or link changed since the last refresh.
    void refresh();
    void refreshHeaders() { emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1); }

    // The cell texts (row = slot).
    static QString cellText(const ConverterLink& link, int slot, int column);
    static QString linkText(SlotLink link);

private:
    static constexpr int kColumns = 10; // four with texts, the rest empty as the grid always had
    struct Shown {
        SlotDiagnostics diagnostics;
        qint32 errors = 0;
        qint32 timeouts = 0;
        bool operator==(const Shown&) const = default;
    };
    Shown shownOf(int slot) const;

    const ConverterLink& m_link;
    std::array<Shown, kSlots> m_shown{};
};

} // namespace vatrel
