// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/SampleLogReader.h"
#include "review/LogLoader.h"
#include "review/ReviewLayout.h"
#include "review/ReviewTimeline.h"

#include <QPoint>
#include <QWidget>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QSpinBox;
class QTableWidget;
class QTabWidget;
class QTimer;
class QVBoxLayout;
class ReviewAxisWidget;
class ReviewPaneWidget;
class SampleSeries;
class ScatterPage;
class UserInteraction;

// The "Log Review" window: a log read back from a file, in stacked panes on
// one time axis, and as a scatter plot.
//
// Time: each pane draws its channels, each in its own colour and on its own
// scale; the channel list on the right (searchable) chooses those of the
// pane picked above it, the table below it sets their colours and scales. A
// click puts the cursor on the nearest record, and every pane's legend and
// the line above the panes show its time and values. The wheel zooms about
// the mouse, a drag pans, a double-click shows the whole log; Left and Right
// step one record, Page Up and Page Down one screen. A new run or a lost
// link breaks the lines; runs and markers are marked on the time axis and
// listed, and activating an entry of the list jumps to it.
//
// Scatter: one channel across, one up, one as colour, over the records
// that pass the filter of channel ranges.
//
// The log is read on a worker thread with a progress bar; the window stays
// live meanwhile. Damaged lines are reported once per log. The layout is
// kept in a file of its own beside the settings file whenever it changes.
class LogReviewWindow : public QWidget {
    Q_OBJECT
public:
    LogReviewWindow(UserInteraction& ui, QString layoutPath, QWidget* parent = nullptr);
    ~LogReviewWindow() override;

    // Reads the log at path in the background, replacing the log shown once
    // it has been read.
    void openLog(const QString& path);
    bool loading() const { return m_loader.busy(); }

    const SampleSeries* series() const { return m_series.get(); }
    // The series shown, to be kept by whoever needs it past the next log.
    std::shared_ptr<const SampleSeries> sharedSeries() const { return m_series; }
    // The file name of the log shown.
    QString logFileName() const { return m_logFileName; }
    // The channel ranges that a record passes to count in the scatter plot
    // and the hits.
    const ChannelFilter& filter() const { return m_layout.filter; }
    const ReviewTimeline& timeline() const { return m_timeline; }
    const ReviewLayout& layout() const { return m_layout; }
    // The time under the cursor and every plotted channel's value and unit.
    QString cursorText() const;
    const std::vector<ReviewPaneWidget*>& panes() const { return m_panes; }
    int currentPane() const { return m_currentPane; }

signals:
    // A log has been read and is shown.
    void logShown();
    // The filter of channel ranges changed.
    void filterChanged();
    // The tuner put the cursor on a record (a click, a key, a jump), maybe
    // the one it was on.
    void cursorMoved(qsizetype record);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildTimePage();
    void loadFinished();
    void showProgress();

    // Time page.
    void rebuildPanes();
    void refreshPanes();
    void refreshChannelList();
    void refreshPaneTable();
    void refreshMarkerList();
    void setCurrentPane(int pane);
    void channelToggled(QListWidgetItem* item);
    void paneTableEdited(int row, int column);
    void paneTableDoubleClicked(int row, int column);
    void filterChannelList(const QString& text);
    void jumpTo(qint64 timeMs);
    bool paneEvent(int pane, QEvent* event);

    void layoutChanged();

    UserInteraction& m_ui;
    QString m_layoutPath;
    ReviewLayout m_layout;
    LogLoader m_loader;
    std::shared_ptr<const SampleSeries> m_series;
    QString m_logName;
    QString m_logFileName;
    std::vector<qsizetype> m_breaks;
    std::vector<ValueRange> m_channelRanges; // each series channel's range over the log
    ReviewTimeline m_timeline;
    int m_currentPane = 0;
    bool m_filling = false;

    // Dragging a pane: where the press was and the stretch then.
    bool m_pressed = false;
    bool m_dragging = false;
    QPoint m_pressAt;
    qint64 m_pressStart = 0;

    QLabel* m_title = nullptr;
    QProgressBar* m_progress = nullptr;
    QTimer* m_progressTimer = nullptr;
    QLabel* m_cursorLabel = nullptr;
    QTabWidget* m_tabs = nullptr;
    QVBoxLayout* m_paneLayout = nullptr;
    std::vector<ReviewPaneWidget*> m_panes;
    ReviewAxisWidget* m_axis = nullptr;
    QSpinBox* m_paneCount = nullptr;
    QComboBox* m_paneCombo = nullptr;
    QLineEdit* m_search = nullptr;
    QListWidget* m_channelList = nullptr;
    QTableWidget* m_paneTable = nullptr;
    QListWidget* m_markerList = nullptr;
    ScatterPage* m_scatterPage = nullptr;
};
