// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

namespace vatrel {

// AboutBox: product title, version, maker and contacts.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

} // namespace vatrel
