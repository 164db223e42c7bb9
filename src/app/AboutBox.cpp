// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutBox.h"

#include "app/Version.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Vantrel"));
    setModal(true);

    auto* title = new QLabel(QStringLiteral("Marrowby Vantrel for Windows"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    title->setFont(big);

    auto* version = new QLabel(QStringLiteral("Version: ") + monitorVersion(), this);
    version->setObjectName(QStringLiteral("lblVersion"));

    auto* description = new QLabel(QString(), this);
    description->setObjectName(QStringLiteral("lblDescription"));

    auto* disclaimer = new QLabel(
        tr("Warning: wrong settings can damage an engine. Marrowby - please contact Marrowby "
           "with any question about this program."),
        this);
    disclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    disclaimer->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(description);
    layout->addWidget(disclaimer);
    layout->addWidget(buttons);
}
