// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QCache>
#include <QFont>
#include <QHash>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTextLayout>

namespace vatrel {

// Draws item view cells as the stock delegate does, but keeps the shaped text of each cell it drew
// and draws it from there the next time the same text is painted in a cell of the same size and
// font. A busy line repaints the same few texts ("Норма", "Тревога", the thresholds) many times a
// second, and in the alarm list each line is drawn again one row higher with every new alarm; the
// shaping and eliding of those texts was most of the cost of painting them.
//
// Only cells whose text shows on one line, without icon, check box, focus frame or editor, take the
// kept text; the rest go the stock way. The background, the grid and everything else the style draws are
// unchanged. Under the Fusion style, which fills an unselected cell with its background brush and
// nothing else, such a cell is filled here directly, and its text rectangle is worked out once per
// cell size: the style's own path computes its frame colours and three rectangles for every cell.
class TextLayoutDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    struct Key {
        QString text;
        QFont font;
        QSize size; // of the text's rectangle within the cell
        int alignment = 0;
        int elide = 0;
        int direction = 0;
        bool wrap = false;
        bool operator==(const Key&) const = default;
    };

private:
    struct Shaped {
        QTextLayout layout; // not laid out: the style draws this text itself
        QPointF offset;     // from the text rectangle's corner
    };
    // Bounded: the alarm list brings a new text with every alarm.
    mutable QCache<Key, Shaped> m_shaped{2048};
    const Shaped* shaped(const Key& key, const QStyleOptionViewItem& option) const;

    // The text rectangle of a plain cell, relative to the cell's corner, by what the style's layout
    // of it depends on: the state too, as a style sheet may pad items differently when selected or
    // hovered.
    struct TextRectKey {
        QSize cell;
        QFont font;
        int features = 0;
        int direction = 0;
        int alignment = 0;
        int state = 0;
        int position = 0; // of the item within its row
        bool operator==(const TextRectKey&) const = default;
    };
    friend size_t qHash(const TextRectKey& key, size_t seed) noexcept;
    mutable QHash<TextRectKey, QRect> m_textRects;
    // The style the kept rectangles are of; a new style sheet brings a new style (maybe at the same
    // address), and its rectangles are worked out afresh.
    mutable QPointer<QStyle> m_textRectStyle;
    QRect textRect(const QStyle* style, const QStyleOptionViewItem& option) const;
};

size_t qHash(const TextLayoutDelegate::Key& key, size_t seed = 0) noexcept;

} // namespace vatrel
