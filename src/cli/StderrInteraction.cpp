// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StderrInteraction.h"

namespace {

QString answerName(UserInteraction::Answer answer) {
    switch (answer) {
    case UserInteraction::Answer::Ok:
        return QStringLiteral("OK");
    case UserInteraction::Answer::Cancel:
        return QStringLiteral("Cancel");
    case UserInteraction::Answer::Yes:
        return QStringLiteral("Yes");
    case UserInteraction::Answer::No:
        return QStringLiteral("No");
    }
    return {};
}

} // namespace

void StderrInteraction::print(const QString& text) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_err.write(plain.toUtf8());
}

UserInteraction::Answer StderrInteraction::message(const QString& text, Icon icon, Buttons buttons,
                                                   const QString&) {
    QString prefix;
    switch (icon) {
    case Icon::Critical:
        prefix = QStringLiteral("error: ");
        break;
    case Icon::Warning:
        prefix = QStringLiteral("warning: ");
        break;
    case Icon::Information:
    case Icon::None:
        break;
    }

    Answer answer = Answer::Ok;
    switch (buttons) {
    case Buttons::Ok:
        answer = Answer::Ok;
        break;
    case Buttons::OkCancel:
        answer = m_assumeYes ? Answer::Ok : Answer::Cancel;
        break;
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        answer = m_assumeYes ? Answer::Yes : Answer::No;
        break;
    }
    const QString suffix =
        buttons == Buttons::Ok ? QString() : QStringLiteral(" [%1]").arg(answerName(answer));
    print(prefix + text + suffix + QLatin1Char('\n'));
    return answer;
}

void StderrInteraction::beginProgress(const QString& caption) {
    if (m_showProgress) {
        print(caption + QLatin1Char(' '));
    }
}

void StderrInteraction::stepProgress() {
    if (m_showProgress) {
        print(QStringLiteral("."));
    }
}

void StderrInteraction::endProgress() {
    if (m_showProgress) {
        print(QStringLiteral("\n"));
    }
}
