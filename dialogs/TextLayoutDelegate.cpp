// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/TextLayoutDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QTextOption>
#include <utility>

namespace vatrel {

size_t qHash(const TextLayoutDelegate::Key& key, size_t seed) noexcept {
    return qHashMulti(seed, key.text, key.font, key.size.width(), key.size.height(), key.alignment, key.elide,
                      key.direction, key.wrap);
}

size_t qHash(const TextLayoutDelegate::TextRectKey& key, size_t seed) noexcept {
    return qHashMulti(seed, key.cell.width(), key.cell.height(), key.font, key.features, key.direction,
                      key.alignment, key.state, key.position);
}

namespace {

// Styles that draw an unselected item as its background brush over the cell and the text: Fusion,
// also behind a widget's style sheet (the console's sheets set no rules for items, so the sheet's
// style hands items to Fusion).
bool drawsPlainItems(const QStyle* style) {
    const QStyle* app = QApplication::style();
    return app->inherits("QFusionStyle") && (style == app || style->inherits("QStyleSheetStyle"));
}

QTextOption singleLineOption(const QStyleOptionViewItem& option) {
    QTextOption o;
    o.setWrapMode(QTextOption::ManualWrap);
    o.setTextDirection(option.direction);
    o.setAlignment(QStyle::visualAlignment(option.direction, option.displayAlignment));
    return o;
}

// Lays out one line across the whole width; the option's alignment places the text within it.
void layOutLine(QTextLayout& layout, int width) {
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
}

} // namespace

const TextLayoutDelegate::Shaped* TextLayoutDelegate::shaped(const Key& key,
                                                             const QStyleOptionViewItem& option) const {
    if (const Shaped* s = m_shaped.object(key)) return s;
    // The same steps as the style's own single-line text drawing: measure the whole text, elide it
    // when it does not fit, and set the line vertically by the whole text's height.
    const QTextOption textOption = singleLineOption(option);
    const QRect textRect(QPoint(0, 0), key.size);
    QTextLayout whole(key.text, key.font);
    whole.setTextOption(textOption);
    layOutLine(whole, textRect.width());
    const QRect layoutRect = QStyle::alignedRect(Qt::LayoutDirectionAuto, option.displayAlignment,
                                                 whole.boundingRect().size().toSize(), textRect);
    const bool fits = whole.lineCount() == 0 || whole.lineAt(0).naturalTextWidth() <= textRect.width();
    auto* s = new Shaped;
    if (!fits && key.wrap) { // wrapped onto more lines than the cell shows: left to the style
        m_shaped.insert(key, s);
        return s;
    }
    // A text that fits lies on one line whether the view wraps texts or not.
    const QString text =
        fits ? key.text : QFontMetrics(key.font).elidedText(key.text, option.textElideMode, textRect.width());
    s->layout.setText(text);
    s->layout.setFont(key.font);
    s->layout.setTextOption(textOption);
    layOutLine(s->layout, textRect.width());
    s->offset = QPointF(0, layoutRect.top());
    m_shaped.insert(key, s);
    return s;
}

QRect TextLayoutDelegate::textRect(const QStyle* style, const QStyleOptionViewItem& option) const {
    if (m_textRectStyle != style) {
        m_textRects.clear();
        m_textRectStyle = const_cast<QStyle*>(style);
    }
    const TextRectKey key{
        option.rect.size(),           option.font,       int(option.features),        int(option.direction),
        int(option.displayAlignment), int(option.state), int(option.viewItemPosition)};
    if (const auto it = m_textRects.constFind(key); it != m_textRects.cend())
        return it->translated(option.rect.topLeft());
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
    const QRect r = style->subElementRect(QStyle::SE_ItemViewItemText, &option, option.widget)
                        .adjusted(textMargin, 0, -textMargin, 0);
    if (m_textRects.size() >= 256) m_textRects.clear(); // columns resized many times over
    m_textRects.insert(key, r.translated(-option.rect.topLeft()));
    return r;
}

void TextLayoutDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // Where the whole cell is the text's (a table's cells, no icon or check box), the text rectangle
    // does not depend on the text: the style works it out without measuring the text first.
    const bool plain =
        opt.showDecorationSelected && !opt.text.isEmpty() &&
        !(opt.features & (QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration)) &&
        !(opt.state & (QStyle::State_HasFocus | QStyle::State_Editing)) &&
        !opt.text.contains(QLatin1Char('\n')) && !opt.text.contains(QChar::LineSeparator);
    if (!plain) {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        return;
    }
    const QString text = std::exchange(opt.text, QString());
    const QRect textRect = this->textRect(style, opt);
    const Key key{text,
                  opt.font,
                  textRect.size(),
                  int(opt.displayAlignment),
                  int(opt.textElideMode),
                  int(opt.direction),
                  bool(opt.features & QStyleOptionViewItem::WrapText)};
    const Shaped* s = shaped(key, opt);
    if (s->layout.lineCount() == 0) { // a text the style wraps: drawn its way
        opt.text = text;
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        return;
    }

    // The style draws the cell without its text, then the kept text goes where the style puts it.
    QPalette::ColorGroup cg = opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (cg == QPalette::Normal && !(opt.state & QStyle::State_Active)) cg = QPalette::Inactive;
    const QColor pen = opt.palette.color(cg, opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                : QPalette::Text);
    painter->save();
    if (!(opt.state & QStyle::State_Selected) && drawsPlainItems(style)) {
        if (opt.backgroundBrush.style() != Qt::NoBrush) {
            painter->setBrushOrigin(opt.rect.topLeft());
            painter->fillRect(opt.rect, opt.backgroundBrush);
        }
    } else {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }
    painter->setClipRect(opt.rect);
    painter->setPen(pen);
    s->layout.draw(painter, QPointF(textRect.topLeft()) + s->offset);
    painter->restore();
}

} // namespace vatrel
