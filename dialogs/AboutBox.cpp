// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/AboutBox.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vatrel {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе..."));
    setFixedSize(495, 223);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* texts = new QVBoxLayout(panel);

    auto* title = new QLabel(QStringLiteral("Пульт управления охранными сетевыми датчиками Ватрел"), panel);
    title->setObjectName(QStringLiteral("ProductName"));
    QFont bold = title->font();
    bold.setPixelSize(13);
    bold.setBold(true);
    title->setFont(bold);
    title->setWordWrap(true);
    texts->addWidget(title);

    const QString lines[] = {
        QStringLiteral("Версия продукта: 1.0 (апрель 2025 года)"),
        QStringLiteral("Разработчик: группа программного обеспечения систем охраны"),
        QStringLiteral("Телефон службы поддержки: указан в паспорте изделия"),
        QStringLiteral("Электронная почта службы поддержки: указана в паспорте изделия"),
    };
    for (const QString& text : lines) {
        auto* l = new QLabel(text, panel);
        l->setWordWrap(true);
        texts->addWidget(l);
    }
    texts->addStretch();
    layout->addWidget(panel, 1);

    auto* buttons = new QHBoxLayout;
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("OKButton"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addStretch();
    buttons->addWidget(close);
    buttons->addStretch();
    layout->addLayout(buttons);
}

} // namespace vatrel
