// SPDX-License-Identifier: GPL-3.0-or-later
// The delegate that keeps shaped cell texts must draw exactly what the stock delegate draws.
#include "dialogs/TextLayoutDelegate.h"

#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>

using namespace vatrel;

class TestTextLayoutDelegate : public QObject {
    Q_OBJECT

    // Cells like those of the sensor table and the alarm list: Cyrillic, numbers, a bold font of its
    // own, a text too long for its column (elided), other alignments, colours and a selected cell.
    static void fill(QStandardItemModel& m, int shift) {
        const QStringList texts{QStringLiteral("Норма"),
                                QStringLiteral("Тревога"),
                                QStringLiteral("12.000"),
                                QStringLiteral("07.12.2026 11:44:49"),
                                QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 3016"),
                                QStringLiteral("Взят"),
                                QStringLiteral("Неисправность датчика, нет связи с датчиком № 2001"),
                                QString()};
        for (int r = 0; r < m.rowCount(); ++r)
            for (int c = 0; c < m.columnCount(); ++c) {
                auto* item = new QStandardItem(texts[(r + c + shift) % texts.size()]);
                if (c == 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                if (c == 2) item->setTextAlignment(Qt::AlignCenter);
                if (r % 3 == 1) {
                    QFont f(QStringLiteral("Tahoma"), 10);
                    f.setBold(true);
                    item->setFont(f);
                    item->setForeground(QColor(Qt::red));
                    item->setBackground(QColor(Qt::yellow));
                }
                m.setItem(r, c, item);
            }
    }

    static QImage draw(QAbstractItemDelegate* delegate, int shift, bool wrap, const QString& sheet) {
        QStandardItemModel model(9, 4);
        QTableView view;
        view.setStyleSheet(sheet);
        view.setWordWrap(wrap); // on in the main window's tables, off in the alarm list
        view.setModel(&model);
        fill(model, shift);
        view.setColumnWidth(0, 150);
        view.setColumnWidth(1, 90); // elides the long texts
        view.setColumnWidth(2, 120);
        view.setColumnWidth(3, 400);
        view.verticalHeader()->setDefaultSectionSize(22);
        view.resize(800, 260);
        view.selectionModel()->select(model.index(4, 2), QItemSelectionModel::Select);
        if (delegate) view.setItemDelegate(delegate);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view)) return {};
        QImage first = view.grab().toImage();
        // Drawn a second time from what the delegate kept: still the same.
        if (view.grab().toImage() != first) return {};
        return first;
    }

private slots:
    void drawsAsTheStockDelegate() {
        QVERIFY(QApplication::style()->inherits("QFusionStyle")); // the style the console runs with
        // The sensor table's own sheet puts a style of its own between the view and Fusion.
        const QString tableSheet = QStringLiteral("QTableView { gridline-color: black; background: grey; }");
        for (const QString& sheet : {QString(), tableSheet})
            for (int shift : {0, 1}) // shift: every text one row up, as in a scrolling alarm list
                for (bool wrap : {false, true}) {
                    QStyledItemDelegate stock;
                    TextLayoutDelegate kept;
                    const QImage expected = draw(&stock, shift, wrap, sheet);
                    QVERIFY(!expected.isNull());
                    const QImage got = draw(&kept, shift, wrap, sheet);
                    QVERIFY2(!got.isNull(), "the second drawing from kept texts differs from the first");
                    QCOMPARE(got.size(), expected.size());
                    if (got != expected) {
                        expected.save(QStringLiteral("textlayout-stock.png"));
                        got.save(QStringLiteral("textlayout-kept.png"));
                        QFAIL("the cells differ from the stock drawing (images saved in the test's folder)");
                    }
                }
    }
};

QTEST_MAIN(TestTextLayoutDelegate)
#include "tst_textlayoutdelegate.moc"
