// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/CompareDialog.h"

#include "files/DifferenceText.h"
#include "files/EcuDiff.h"
#include "files/EcuFile.h"
#include "record/UserInteraction.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

void showComparison(QWidget* parent, const EcuSettings& program, const QString& path,
                    UserInteraction& ui) {
    const EcuFileReadResult file = loadEcuFile(path, program);
    if (!file.ok()) {
        ui.message(file.error);
        return;
    }
    const std::vector<EcuFieldDifference> differences = compareEcuSettings(program, *file.settings);
    const QString name = QFileInfo(path).fileName();
    if (differences.empty()) {
        ui.message(QObject::tr("%1 holds the same settings as the program.").arg(name),
                   UserInteraction::Icon::Information);
        return;
    }
    const QStringList lines = DifferenceText(program, *file.settings).describe(differences);
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("frmCompare"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QObject::tr("Compare with ECU - %1").arg(name));
    auto* heading = new QLabel(QObject::tr("%n value(s) differ; each line reads: in the program "
                                           "-> in %1",
                                           nullptr, static_cast<int>(differences.size()))
                                   .arg(name),
                               dialog);
    auto* list = new QPlainTextEdit(lines.join(QLatin1Char('\n')), dialog);
    list->setObjectName(QStringLiteral("DifferenceList"));
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(heading);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dialog->resize(520, 420);
    dialog->show();
}
