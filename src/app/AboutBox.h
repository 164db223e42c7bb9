// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// The About box: program title, version and disclaimer, closed with OK.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};
