// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// Ctrl+PageDown and Ctrl+PageUp turn the pages of the paged window that holds
// the focus, from any of its controls, one page on or back, past the last
// page to the first. They act before the control itself sees the key, so a
// list never steps through its entries on them. Installed on the application,
// it serves every paged window and dialog.
class PageKeys : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
