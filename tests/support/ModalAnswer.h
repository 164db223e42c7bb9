// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

// Answers a modal dialog of type T once the program shows it, from whatever
// event loop runs then (the dialog's own, or one that waits on the line),
// as the tuner would. Only the first such dialog while the object lives.
template <typename T> class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(T& dialog)> answer) : m_answer(std::move(answer)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
                m_timer.stop();
                ++m_shown;
                m_answer(*dialog);
            }
        });
        m_timer.start(0);
    }

    // How many dialogs were answered: 0 or 1.
    int shown() const { return m_shown; }

private:
    std::function<void(T&)> m_answer;
    QTimer m_timer;
    int m_shown = 0;
};
