// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/SerialPorts.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QTableWidget;

// Setup > Port...: lists the machine's serial ports and maps one of the COM
// port numbers 1..5 to the chosen port's device.
class PortDialog : public QDialog {
    Q_OBJECT
public:
    // comNumber is preselected; so is the port whose device is currentDevice,
    // the one in use, which is marked as the current one.
    PortDialog(const QList<SerialPortEntry>& ports, int comNumber, const QString& currentDevice,
               QWidget* parent = nullptr);

    // The choice, once accepted.
    int comNumber() const;
    QString device() const;

    QTableWidget* portTable() const { return m_table; }
    QComboBox* comCombo() const { return m_com; }
    QLabel* noPortsLabel() const { return m_noPorts; }
    QDialogButtonBox* buttons() const { return m_buttons; }

private:
    void updateOk();

    QList<SerialPortEntry> m_ports;
    QTableWidget* m_table = nullptr;
    QComboBox* m_com = nullptr;
    QLabel* m_noPorts = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
