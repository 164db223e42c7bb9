// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StderrInteraction.h"

#include <QBuffer>
#include <gtest/gtest.h>

using Icon = UserInteraction::Icon;
using Buttons = UserInteraction::Buttons;
using Answer = UserInteraction::Answer;

TEST(StderrInteraction, QuestionsGetTheFixedAnswerAndShowIt) {
    QBuffer err;
    err.open(QIODevice::WriteOnly);
    StderrInteraction ui(err);
    EXPECT_EQ(ui.message("Store?", Icon::None, Buttons::YesNo), Answer::No);
    EXPECT_EQ(ui.message("Replace?", Icon::None, Buttons::OkCancel), Answer::Cancel);
    EXPECT_EQ(ui.message("Save?", Icon::None, Buttons::YesNoCancel), Answer::No);
    ui.setAssumeYes(true);
    EXPECT_EQ(ui.message("Store?", Icon::None, Buttons::YesNo), Answer::Yes);
    EXPECT_EQ(ui.message("Replace?", Icon::None, Buttons::OkCancel), Answer::Ok);
    EXPECT_EQ(ui.message("Done", Icon::Information), Answer::Ok);
    EXPECT_EQ(err.data().toStdString(), "Store? [No]\nReplace? [Cancel]\nSave? [No]\n"
                                        "Store? [Yes]\nReplace? [OK]\nDone\n");
}

TEST(StderrInteraction, ErrorsAreMarkedAndLineBreaksMadePlain) {
    QBuffer err;
    err.open(QIODevice::WriteOnly);
    StderrInteraction ui(err);
    ui.message("INI file not found or file error\r\nUsing Default", Icon::Critical);
    ui.message("Check", Icon::Warning);
    EXPECT_EQ(err.data().toStdString(),
              "error: INI file not found or file error\nUsing Default\nwarning: Check\n");
}

TEST(StderrInteraction, ProgressOnlyWhenAskedFor) {
    QBuffer err;
    err.open(QIODevice::WriteOnly);
    StderrInteraction ui(err);
    ui.beginProgress("Reading");
    ui.stepProgress();
    ui.endProgress();
    EXPECT_TRUE(err.data().isEmpty());
    ui.setShowProgress(true);
    ui.beginProgress("Reading");
    ui.stepProgress();
    ui.stepProgress();
    ui.endProgress();
    EXPECT_EQ(err.data().toStdString(), "Reading ..\n");
}
