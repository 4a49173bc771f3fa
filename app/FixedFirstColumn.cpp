// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FixedFirstColumn.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace vatrel {

FixedFirstColumn::FixedFirstColumn(QTableView* table) : QObject(table), m_table(table) {
    m_fixed = new QTableView(table);
    m_fixed->setObjectName(table->objectName() + QStringLiteral("Fixed"));
    m_fixed->setModel(table->model());
    m_fixed->setItemDelegate(table->itemDelegate());
    m_fixed->setFocusPolicy(Qt::NoFocus);
    m_fixed->setSelectionMode(QAbstractItemView::NoSelection);
    m_fixed->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fixed->setStyleSheet(table->styleSheet());
    m_fixed->setShowGrid(table->showGrid());
    m_fixed->setFont(table->font());
    m_fixed->verticalHeader()->hide();
    m_fixed->verticalHeader()->setDefaultSectionSize(table->verticalHeader()->defaultSectionSize());
    m_fixed->horizontalHeader()->setFixedHeight(table->horizontalHeader()->height());
    m_fixed->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_fixed->horizontalHeader()->setHighlightSections(false);
    m_fixed->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->setVerticalScrollMode(table->verticalScrollMode());
    m_fixed->setFrameShape(QFrame::NoFrame);
    for (int col = 1; col < table->model()->columnCount(); ++col)
        m_fixed->setColumnHidden(col, true);
    m_fixed->setColumnWidth(0, table->columnWidth(0));
    // The fixed cells lie over the table's own first column, which therefore never shows.
    table->viewport()->stackUnder(m_fixed);

    connect(table->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (section != 0) return;
                m_fixed->setColumnWidth(0, size);
                place();
            });
    connect(m_table->verticalScrollBar(), &QAbstractSlider::valueChanged, m_fixed->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(m_fixed->verticalScrollBar(), &QAbstractSlider::valueChanged, m_table->verticalScrollBar(),
            &QAbstractSlider::setValue);
    // A click on a fixed cell selects nothing; the wheel over it scrolls the table.
    m_fixed->viewport()->installEventFilter(this);
    table->installEventFilter(this);
    // The table's rows area shrinks when its sideways scroll bar comes up, without the table itself
    // changing size: the fixed cells must follow it, or they scroll a bar's height short at the end.
    table->viewport()->installEventFilter(this);
    place();
    m_fixed->show();
}

bool FixedFirstColumn::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_table || watched == m_table->viewport()) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        place();
    if (watched == m_fixed->viewport() && event->type() == QEvent::Wheel) {
        QCoreApplication::sendEvent(m_table->viewport(), event);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void FixedFirstColumn::place() {
    const int frame = m_table->frameWidth();
    m_fixed->setGeometry(frame, frame, m_table->columnWidth(0),
                         m_table->viewport()->height() + m_table->horizontalHeader()->height());
    m_fixed->verticalScrollBar()->setValue(m_table->verticalScrollBar()->value());
}

} // namespace vatrel
