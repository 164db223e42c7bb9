// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryWindow.h"

#include "files/DifferenceView.h"
#include "history/TuneHistory.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "tables/TableUndoHistory.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace {

enum Column { Number, Time, Source, Ecu, File, Name, Note, ColumnCount };

QTableWidgetItem* listItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString snapshotName(const SnapshotInfo& snapshot) {
    return QObject::tr("Snapshot %1").arg(snapshot.id);
}

} // namespace

HistoryWindow::HistoryWindow(HistoryWindowParts parts, QWidget* parent)
    : QWidget(parent), m_parts(std::move(parts)) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(tr("Tune History"));
    buildControls();
    refresh();
    // The newest snapshot against the settings now loaded.
    if (m_list->rowCount() > 0) {
        m_list->setCurrentCell(0, 0);
    }
    connect(&m_parts.history, &TuneHistory::snapshotAdded, this, &HistoryWindow::refresh);
    connect(&m_parts.store, &SettingsStore::changed, this, [this] {
        if (chosen().size() == 1) {
            compareChosen();
        }
    });
}

void HistoryWindow::buildControls() {
    // The list first, so that the window opens with the focus in it.
    m_list = new QTableWidget(0, ColumnCount, this);
    m_list->setObjectName(QStringLiteral("SnapshotList"));
    m_list->setHorizontalHeaderLabels(
        {tr("No."), tr("Time"), tr("Source"), tr("ECU"), tr("File"), tr("Name"), tr("Note")});
    m_list->verticalHeader()->hide();
    // Rows of one line, and room for the heading and four of them however
    // small the window.
    const int row = m_list->fontMetrics().height() + 6;
    m_list->verticalHeader()->setDefaultSectionSize(row);
    m_list->setMinimumHeight(5 * row + 2 * m_list->frameWidth());
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAlternatingRowColors(true);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setWhatsThis(tr("Every kept state of the tune, newest first. Choose one snapshot to "
                            "compare it with the settings now loaded and to restore from it, or "
                            "two (Ctrl+click) to compare them with each other."));
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryWindow::choiceChanged);

    m_ecuFilter = new QComboBox(this);
    m_ecuFilter->setObjectName(QStringLiteral("EcuFilter"));
    m_ecuFilter->setWhatsThis(tr("Lists only the snapshots of this ECU."));
    m_fileFilter = new QComboBox(this);
    m_fileFilter->setObjectName(QStringLiteral("FileFilter"));
    m_fileFilter->setWhatsThis(tr("Lists only the snapshots of this data file."));
    m_fileFilter->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fileFilter->setMinimumContentsLength(16);
    for (QComboBox* filter : {m_ecuFilter, m_fileFilter}) {
        connect(filter, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling) {
                refresh();
            }
        });
    }
    auto* ecuLabel = new QLabel(tr("E&CU:"), this);
    ecuLabel->setBuddy(m_ecuFilter);
    auto* fileLabel = new QLabel(tr("F&ile:"), this);
    fileLabel->setBuddy(m_fileFilter);
    auto* filters = new QHBoxLayout;
    filters->addWidget(ecuLabel);
    filters->addWidget(m_ecuFilter);
    filters->addSpacing(12);
    filters->addWidget(fileLabel);
    filters->addWidget(m_fileFilter, 1);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("NameText"));
    m_name->setWhatsThis(tr("A named snapshot is kept for ever; clearing the name lets it go "
                            "with the automatic ones."));
    m_note = new QLineEdit(this);
    m_note->setObjectName(QStringLiteral("NoteText"));
    m_note->setWhatsThis(tr("A note on the snapshot, kept with it."));
    connect(m_name, &QLineEdit::editingFinished, this, &HistoryWindow::commitName);
    connect(m_note, &QLineEdit::editingFinished, this, &HistoryWindow::commitNote);
    auto* nameLabel = new QLabel(tr("&Name:"), this);
    nameLabel->setBuddy(m_name);
    auto* noteLabel = new QLabel(tr("N&ote:"), this);
    noteLabel->setBuddy(m_note);
    auto* texts = new QHBoxLayout;
    texts->addWidget(nameLabel);
    texts->addWidget(m_name, 1);
    texts->addSpacing(12);
    texts->addWidget(noteLabel);
    texts->addWidget(m_note, 2);

    auto* top = new QWidget(this);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addLayout(filters);
    topLayout->addWidget(m_list, 1);
    topLayout->addLayout(texts);

    m_view = new DifferenceView(this);
    connect(m_view, &DifferenceView::chosenItemChanged, this, &HistoryWindow::updateRestoreButtons);
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->addWidget(top);
    m_splitter->addWidget(m_view);
    m_splitter->setChildrenCollapsible(false);
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] { m_splitMoved = true; });

    m_restoreAll = new QPushButton(tr("Restore &All"), this);
    m_restoreAll->setObjectName(QStringLiteral("RestoreAllButton"));
    m_restoreAll->setWhatsThis(tr("Puts every setting of the snapshot in place of the settings "
                                  "now loaded, and sends them when the ECU is online."));
    m_restoreItem = new QPushButton(tr("&Restore"), this);
    m_restoreItem->setObjectName(QStringLiteral("RestoreItemButton"));
    m_restoreItem->setWhatsThis(tr("Puts back the snapshot's table of the page shown, or the "
                                   "setting or curve of the chosen row, and sends it when the "
                                   "ECU is online. A restored table is one undo step of its "
                                   "editor."));
    connect(m_restoreAll, &QPushButton::clicked, this, &HistoryWindow::restoreAll);
    connect(m_restoreItem, &QPushButton::clicked, this, &HistoryWindow::restoreItem);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_restoreItem);
    buttons->addWidget(m_restoreAll);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_splitter, 1);
    layout->addLayout(buttons);
}

void HistoryWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A third for the list, the rest for the differences.
    if (!m_splitMoved) {
        const int height = m_splitter->height();
        m_splitter->setSizes({height / 3, height - height / 3});
    }
}

bool HistoryWindow::report(bool ok) {
    if (!ok) {
        m_parts.ui.message(m_parts.history.lastError(), UserInteraction::Icon::Warning);
    }
    return ok;
}

void HistoryWindow::fillFilters(const std::vector<SnapshotInfo>& all) {
    std::set<QString> serials;
    std::set<QString> paths;
    for (const SnapshotInfo& s : all) {
        if (s.ecu && !s.ecu->serial.isEmpty()) {
            serials.insert(s.ecu->serial);
        }
        if (!s.path.isEmpty()) {
            paths.insert(s.path);
        }
    }
    const QString serial = m_ecuFilter->currentData().toString();
    const QString path = m_fileFilter->currentData().toString();
    m_ecuFilter->clear();
    m_ecuFilter->addItem(tr("All ECUs"), QString());
    for (const QString& s : serials) {
        m_ecuFilter->addItem(s, s);
    }
    m_fileFilter->clear();
    m_fileFilter->addItem(tr("All files"), QString());
    for (const QString& p : paths) {
        m_fileFilter->addItem(QFileInfo(p).fileName(), p);
        m_fileFilter->setItemData(m_fileFilter->count() - 1, p, Qt::ToolTipRole);
    }
    m_ecuFilter->setCurrentIndex(std::max(0, m_ecuFilter->findData(serial)));
    m_fileFilter->setCurrentIndex(std::max(0, m_fileFilter->findData(path)));
}

void HistoryWindow::refresh() {
    const auto all = m_parts.history.list();
    if (!report(all.has_value())) {
        return;
    }
    std::set<qint64> kept;
    for (const SnapshotInfo* s : chosen()) {
        kept.insert(s->id);
    }
    m_filling = true;
    fillFilters(*all);
    SnapshotFilter filter;
    filter.ecuSerial = m_ecuFilter->currentData().toString();
    filter.path = m_fileFilter->currentData().toString();
    const auto listed =
        filter.ecuSerial.isEmpty() && filter.path.isEmpty() ? all : m_parts.history.list(filter);
    m_snapshots = listed.value_or(std::vector<SnapshotInfo>{});
    m_list->clearSelection();
    m_list->setRowCount(static_cast<int>(m_snapshots.size()));
    int row = 0;
    for (const SnapshotInfo& s : m_snapshots) {
        m_list->setItem(row, Number, listItem(QString::number(s.id)));
        m_list->setItem(row, Time, listItem(snapshotTimeText(s.time)));
        m_list->setItem(row, Source, listItem(snapshotSourceText(s.source)));
        m_list->setItem(row, Ecu, listItem(s.ecu ? s.ecu->serial : QString()));
        QTableWidgetItem* file = listItem(QFileInfo(s.path).fileName());
        file->setToolTip(s.path);
        m_list->setItem(row, File, file);
        m_list->setItem(row, Name, listItem(s.name));
        m_list->setItem(row, Note, listItem(s.note));
        if (kept.count(s.id) > 0) {
            m_list->selectionModel()->select(m_list->model()->index(row, 0),
                                             QItemSelectionModel::Select |
                                                 QItemSelectionModel::Rows);
        }
        ++row;
    }
    m_list->resizeColumnsToContents();
    m_filling = false;
    report(listed.has_value());
    choiceChanged();
}

std::vector<const SnapshotInfo*> HistoryWindow::chosen() const {
    std::vector<const SnapshotInfo*> snapshots;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        if (index.row() < static_cast<int>(m_snapshots.size())) {
            snapshots.push_back(&m_snapshots[static_cast<std::size_t>(index.row())]);
        }
    }
    // Oldest first.
    std::sort(snapshots.begin(), snapshots.end(), [](const SnapshotInfo* a, const SnapshotInfo* b) {
        return a->time != b->time ? a->time < b->time : a->id < b->id;
    });
    return snapshots;
}

void HistoryWindow::choiceChanged() {
    if (m_filling) {
        return;
    }
    const std::vector<const SnapshotInfo*> snapshots = chosen();
    const bool one = snapshots.size() == 1;
    // The boxes belong to this snapshot until the choice changes, so that a
    // text finished by a click in the list goes to the snapshot it was
    // typed for.
    m_editedId = one ? snapshots[0]->id : 0;
    m_name->setEnabled(one);
    m_note->setEnabled(one);
    m_name->setText(one ? snapshots[0]->name : QString());
    m_note->setText(one ? snapshots[0]->note : QString());
    compareChosen();
}

void HistoryWindow::compareChosen() {
    const std::vector<const SnapshotInfo*> snapshots = chosen();
    const EcuSettings& now = m_parts.store.settings();
    if (snapshots.empty() || snapshots.size() > 2) {
        m_view->showText(snapshots.empty()
                             ? tr("Choose a snapshot to compare it with the settings now loaded, "
                                  "or two snapshots to compare them with each other.")
                             : tr("Choose one or two snapshots to compare."));
    } else if (snapshots.size() == 1) {
        const auto settings = m_parts.history.settings(snapshots[0]->id, now);
        if (!report(settings.has_value())) {
            m_view->showText(m_parts.history.lastError());
        } else {
            // What changed since the snapshot.
            m_view->compare(*settings, now, snapshotName(*snapshots[0]), tr("Now loaded"));
        }
    } else {
        const auto older = m_parts.history.settings(snapshots[0]->id, now);
        const auto newer = m_parts.history.settings(snapshots[1]->id, now);
        if (!report(older.has_value() && newer.has_value())) {
            m_view->showText(m_parts.history.lastError());
        } else {
            m_view->compare(*older, *newer, snapshotName(*snapshots[0]),
                            snapshotName(*snapshots[1]));
        }
    }
    updateRestoreButtons();
}

void HistoryWindow::updateRestoreButtons() {
    const bool one = chosen().size() == 1 && !m_view->difference().empty();
    m_restoreAll->setEnabled(one);
    const std::optional<RestoreTarget> item = one ? m_view->chosenItem() : std::nullopt;
    m_restoreItem->setEnabled(item.has_value());
    m_restoreItem->setText(item ? tr("&Restore %1").arg(item->name) : tr("&Restore"));
}

const SnapshotInfo* HistoryWindow::edited() const {
    const auto found = std::find_if(m_snapshots.begin(), m_snapshots.end(),
                                    [this](const SnapshotInfo& s) { return s.id == m_editedId; });
    return found != m_snapshots.end() ? &*found : nullptr;
}

void HistoryWindow::commitName() {
    const SnapshotInfo* snapshot = edited();
    const QString name = m_name->text().trimmed();
    if (snapshot != nullptr && snapshot->name != name &&
        report(m_parts.history.setName(snapshot->id, name))) {
        refresh();
    }
}

void HistoryWindow::commitNote() {
    const SnapshotInfo* snapshot = edited();
    if (snapshot != nullptr && snapshot->note != m_note->text() &&
        report(m_parts.history.setNote(snapshot->id, m_note->text()))) {
        refresh();
    }
}

void HistoryWindow::restoreAll() {
    const std::vector<const SnapshotInfo*> snapshots = chosen();
    if (snapshots.size() != 1) {
        return;
    }
    const SnapshotInfo snapshot = *snapshots[0];
    const auto settings = m_parts.history.settings(snapshot.id, m_parts.store.settings());
    if (!report(settings.has_value())) {
        return;
    }
    if (m_parts.ui.message(tr("Put every setting of snapshot %1 in place of the settings now "
                              "loaded? They are sent to the ECU when it is online.")
                               .arg(snapshot.id),
                           UserInteraction::Icon::Warning,
                           UserInteraction::Buttons::YesNo) != UserInteraction::Answer::Yes) {
        return;
    }
    m_parts.restoreAll(*settings, snapshot);
}

void HistoryWindow::restoreItem() {
    const std::vector<const SnapshotInfo*> snapshots = chosen();
    const std::optional<RestoreTarget> target = m_view->chosenItem();
    if (snapshots.size() != 1 || !target) {
        return;
    }
    const qint64 id = snapshots[0]->id;
    const auto settings = m_parts.history.settings(id, m_parts.store.settings());
    if (!report(settings.has_value())) {
        return;
    }
    const std::vector<FieldCell> values =
        valuesToRestore(target->field, m_parts.store.settings(), *settings);
    if (values.empty()) {
        return;
    }
    switch (target->scope) {
    case RestoreScope::Table: {
        TableUndoHistory& table =
            target->field == FieldId::FuelTable ? m_parts.fuelHistory : m_parts.ignitionHistory;
        table.apply(values, SettingsStore::Send::IfChanged,
                    tr("Restore %1 from snapshot %2").arg(target->name).arg(id));
        break;
    }
    case RestoreScope::Curve:
        m_parts.store.setCells(target->field, values, SettingsStore::Send::IfChanged);
        break;
    case RestoreScope::Setting:
        m_parts.store.setValue(target->field, values[0].value, SettingsStore::Send::IfChanged,
                               values[0].index1, values[0].index2);
        break;
    }
}
