// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/HistoryRecorder.h"

#include <QDialog>

class DifferenceView;
class QLabel;
class QPushButton;

// The question after a search when the ECU's settings differ from what it
// was last known to hold: the differences ("the snapshot or file -> the
// ECU"), and three choices. Closing it chooses nothing for now.
class ReconnectDialog : public QDialog {
    Q_OBJECT
public:
    ReconnectDialog(const ReconnectQuestion& question, QWidget* parent = nullptr);

    // Shows the question and waits for the tuner's choice.
    ReconnectAnswer ask();

    QLabel* text() const { return m_text; }
    DifferenceView* differenceView() const { return m_view; }
    QPushButton* keepButton() const { return m_keep; }
    QPushButton* sendButton() const { return m_send; }
    QPushButton* laterButton() const { return m_later; }

private:
    void choose(ReconnectAnswer answer);

    QLabel* m_text = nullptr;
    DifferenceView* m_view = nullptr;
    QPushButton* m_keep = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_later = nullptr;
    ReconnectAnswer m_answer = ReconnectAnswer::LeaveForLater;
};
