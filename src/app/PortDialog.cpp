// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PortDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int kComPorts = 5;
}

PortDialog::PortDialog(const QList<SerialPortEntry>& ports, int comNumber,
                       const QString& currentDevice, QWidget* parent)
    : QDialog(parent), m_ports(ports) {
    setObjectName(QStringLiteral("frmPort"));
    setWindowTitle(tr("Serial Port"));

    auto* intro = new QLabel(tr("Choose the port the ECU is connected to. The COM port number "
                                "below then stands for it, here and in vantrelctl --com."),
                             this);
    intro->setWordWrap(true);

    m_table = new QTableWidget(static_cast<int>(ports.size()), 4, this);
    m_table->setObjectName(QStringLiteral("PortGrid"));
    m_table->setHorizontalHeaderLabels(
        {tr("Device"), tr("Description"), tr("Maker"), tr("Serial number")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWhatsThis(tr("The serial ports of this machine as the system describes them."));
    for (int row = 0; row < ports.size(); ++row) {
        const SerialPortEntry& p = ports[row];
        const bool current = p.device == currentDevice;
        const QString description =
            current ? QStringLiteral("%1 (%2)").arg(p.description, tr("current")).trimmed()
                    : p.description;
        const QStringList cells{p.device, description, p.manufacturer, p.serialNumber};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            QFont font = item->font();
            font.setBold(current);
            item->setFont(font);
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();

    m_noPorts = new QLabel(tr("No serial ports found."), this);
    m_noPorts->setObjectName(QStringLiteral("NoPortsLabel"));
    m_noPorts->setVisible(ports.isEmpty());
    m_table->setVisible(!ports.isEmpty());

    m_com = new QComboBox(this);
    m_com->setObjectName(QStringLiteral("ComCombo"));
    for (int n = 1; n <= kComPorts; ++n) {
        m_com->addItem(QStringLiteral("COM%1").arg(n), n);
    }
    m_com->setCurrentIndex(comNumber >= 1 && comNumber <= kComPorts ? comNumber - 1 : 0);
    m_com->setWhatsThis(tr("The COM port number of the Setup menu that opens the chosen port."));

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &PortDialog::updateOk);

    auto* form = new QFormLayout;
    form->addRow(tr("Use as:"), m_com);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_table);
    layout->addWidget(m_noPorts);
    layout->addLayout(form);
    layout->addWidget(m_buttons);

    for (int row = 0; row < ports.size(); ++row) {
        if (ports[row].device == currentDevice) {
            m_table->selectRow(row);
        }
    }
    updateOk();
    resize(640, 320);
}

int PortDialog::comNumber() const {
    return m_com->currentData().toInt();
}

QString PortDialog::device() const {
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    return selected.isEmpty() ? QString() : m_ports.value(selected.first()->row()).device;
}

void PortDialog::updateOk() {
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!device().isEmpty());
}
