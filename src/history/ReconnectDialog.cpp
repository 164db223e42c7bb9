// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ReconnectDialog.h"

#include "files/DifferenceView.h"
#include "record/UserInteraction.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// The share of the screen's width and height the question takes at most.
constexpr double kScreenShare = 0.8;
constexpr int kWidth = 760;
constexpr int kHeight = 560;
} // namespace

ReconnectDialog::ReconnectDialog(const ReconnectQuestion& question, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmReconnect"));
    setWindowTitle(UserInteraction::kTitle);
    m_text = new QLabel(question.text(), this);
    m_text->setObjectName(QStringLiteral("ReconnectText"));
    m_text->setWordWrap(true);
    m_view = new DifferenceView(this);
    const QString reference =
        question.snapshot ? tr("Snapshot %1").arg(question.snapshot->id) : question.referenceName();
    m_view->compare(question.reference, question.ecu, reference, tr("In the ECU"));

    m_keep = new QPushButton(tr("&Keep the ECU's Settings"), this);
    m_keep->setObjectName(QStringLiteral("KeepButton"));
    m_keep->setToolTip(tr("Sends nothing: the settings read from the ECU stay."));
    m_send = new QPushButton(question.sendCaption(), this);
    m_send->setObjectName(QStringLiteral("SendButton"));
    m_send->setToolTip(tr("Sends every setting of %1 to the ECU.").arg(question.referenceName()));
    m_later = new QPushButton(tr("Do N&othing for Now"), this);
    m_later->setObjectName(QStringLiteral("LaterButton"));
    m_later->setToolTip(tr("Sends nothing now; the next Find ECU asks again."));
    m_later->setDefault(true);
    connect(m_keep, &QPushButton::clicked, this,
            [this] { choose(ReconnectAnswer::KeepEcuSettings); });
    connect(m_send, &QPushButton::clicked, this,
            [this] { choose(ReconnectAnswer::SendReference); });
    connect(m_later, &QPushButton::clicked, this,
            [this] { choose(ReconnectAnswer::LeaveForLater); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_keep);
    buttons->addWidget(m_send);
    buttons->addStretch(1);
    buttons->addWidget(m_later);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    QSize size(kWidth, kHeight);
    if (const QScreen* screen =
            parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableGeometry().size() * kScreenShare;
        size = size.boundedTo(room).expandedTo(minimumSizeHint());
    }
    resize(size);
}

void ReconnectDialog::choose(ReconnectAnswer answer) {
    m_answer = answer;
    accept();
}

ReconnectAnswer ReconnectDialog::ask() {
    m_answer = ReconnectAnswer::LeaveForLater;
    exec();
    return m_answer;
}
