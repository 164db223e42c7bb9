// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gauges/GaugeFace.h"
#include "gauges/GaugeLayout.h"
#include "monitor/LiveSample.h"

#include <QColor>
#include <QPoint>
#include <QWidget>
#include <vector>

struct AppState;
class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class UserInteraction;

// The colour of a zone on the gauges: amber for warning, red for danger,
// and for the normal stretch of a scale a grey that the dark face shows.
QColor gaugeZoneColour(GaugeZone zone);

// The gauges drawn from the last live sample: each in its cell of a grid
// chosen so that the smallest digits are as large as the panel allows. The
// panel is never smaller than the size at which every gauge's digits can
// be read from a metre away (but while they are edited); a smaller window
// scrolls it.
class GaugePanel : public QWidget {
    Q_OBJECT
public:
    GaugePanel(const AppState& state, QWidget* parent = nullptr);

    void setGauges(const std::vector<Gauge>& gauges);
    void setSample(const LiveSample& sample);
    // The gauge outlined while the editor is open; -1 for none.
    void setCurrent(int index);
    // While the gauges are edited, they may draw smaller than can be read
    // from afar, so that all of them stay in view beside the editor.
    void setCompact(bool compact);

    // Pixels of the screen per millimetre, as the screen reports its size,
    // or at 96 dots an inch where it reports none that is plausible.
    double pixelsPerMillimetre() const;
    GaugeGrid grid() const;
    // Each gauge's cell, and the height of its digits as last painted.
    QRectF cell(int index) const;
    const std::vector<double>& paintedDigitHeights() const { return m_digitHeights; }
    const LiveSample& sample() const { return m_sample; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<GaugeShape> shapes() const;
    void paintGauge(QPainter& p, int index, const QRectF& cell);

    const AppState& m_state;
    std::vector<Gauge> m_gauges;
    LiveSample m_sample;
    int m_current = -1;
    bool m_compact = false;
    std::vector<double> m_digitHeights;
};

// "Gauges": dial, bar and number gauges of the live channels, each with its
// warning and danger ranges in colour, and an editor beside them that adds,
// removes and orders the gauges and sets each one's channel, kind, scale
// and limits. The layout is kept in a file of its own beside the settings
// file whenever it changes, so the gauges open the same way next time.
class GaugesWindow : public QWidget {
    Q_OBJECT
public:
    GaugesWindow(const AppState& state, UserInteraction& ui, QString layoutPath,
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

    const AppState& m_state;
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
