// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

namespace vatrel {

// AboutBox: product title, version, maker and contacts.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

} // namespace vatrel
