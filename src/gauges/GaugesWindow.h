// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gauges/GaugePanel.h"

#include <QPoint>
#include <QWidget>

class SettingsStore;
class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class UserInteraction;

// "Gauges": dial, bar and number gauges of the live channels, each with its
// warning and danger ranges in colour, and an editor beside them that adds,
// removes and orders the gauges and sets each one's channel, kind, scale
// and limits. The layout is kept in a file of its own beside the settings
// file whenever it changes, so the gauges open the same way next time.
class GaugesWindow : public QWidget {
    Q_OBJECT
public:
    GaugesWindow(const SettingsStore& store, UserInteraction& ui, QString layoutPath,
                 QWidget* parent = nullptr);

    const GaugeLayout& layout() const { return m_layout; }
    GaugePanel* panel() const { return m_panel; }
    bool editing() const;

    QSize sizeHint() const override;

public slots:
    // A live sample: every gauge shows its channel's value from it.
    void showSample(const LiveSample& sample);

signals:
    // The window closes; at is where its frame stood in the area.
    void closed(QPoint at);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildEditor();
    void setEditing(bool on);
    // Makes the window larger by more, as far as the area lets it.
    void growBy(QSize more);
    void refreshList(int select);
    void refreshBoxes();
    void selectGauge(int index);
    Gauge* current();
    void add();
    void remove();
    void move(int by);
    void channelChosen(int index);
    void kindChosen(int index);
    void scaleEdited();
    void limitEdited(QLineEdit* box, std::optional<float> Gauge::*limit);
    void layoutChanged();

    const SettingsStore& m_store;
    UserInteraction& m_ui;
    QString m_layoutPath;
    GaugeLayout m_layout;
    bool m_filling = false;
    bool m_toldSaveFailure = false;

    QScrollArea* m_scroll = nullptr;
    GaugePanel* m_panel = nullptr;
    QAction* m_editAction = nullptr;
    QWidget* m_editor = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    QComboBox* m_channel = nullptr;
    QComboBox* m_kind = nullptr;
    QLineEdit* m_min = nullptr;
    QLineEdit* m_max = nullptr;
    QLineEdit* m_dangerBelow = nullptr;
    QLineEdit* m_warningBelow = nullptr;
    QLineEdit* m_warningAbove = nullptr;
    QLineEdit* m_dangerAbove = nullptr;
};
