// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PrintFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A small document as a PDF writer lays it out: the trailer points at the
// cross-reference table by its offset from the start.
QByteArray document() {
    QByteArray pdf = "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
                     "2 0 obj\n<< /Type /Pages /Kids [] /Count 0 >>\nendobj\n";
    const qsizetype table = pdf.size();
    pdf += "xref\n0 3\n0000000000 65535 f \n0000000009 00000 n \n0000000058 00000 n \n"
           "trailer\n<< /Size 3 /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(table) + "\n%%EOF\n";
    return pdf;
}

TEST(PrintFile, OnlyADocumentWrittenToItsEndIsWhole) {
    const QByteArray whole = document();
    QByteArray middleLost = whole;
    middleLost.remove(20, 16);
    const struct {
        const char* what;
        QByteArray data;
        bool whole;
    } cases[] = {
        {"whole", whole, true},
        {"cut before the end marker", whole.left(whole.size() - 7), false},
        {"cut in the trailer", whole.left(whole.indexOf("startxref") + 12), false},
        {"a part lost on the way", middleLost, false},
        {"empty", {}, false},
        {"no PDF", "xref\nstartxref\n0\n%%EOF\n", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isWholePdf(c.data), c.whole) << c.what;
    }
}

TEST(PrintFile, TheChosenNameGetsTheDocumentOnlyWhenItIsWhole) {
    const QTemporaryDir dir;
    const QString chosen = dir.filePath("plot.pdf");
    const auto write = [](const QString& path, const QByteArray& data) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    };
    ASSERT_TRUE(write(chosen, "earlier"));
    for (const bool whole : {false, true}) {
        PrintFile print(chosen);
        ASSERT_TRUE(print.open()) << print.error().toStdString();
        ASSERT_TRUE(write(print.temporaryPath(), whole ? document() : document().left(100)));
        EXPECT_EQ(print.finish(), whole) << print.error().toStdString();
        QFile file(chosen);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), whole ? document() : QByteArray("earlier"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plot.pdf"});
    }
    PrintFile nowhere(dir.filePath("missing/plot.pdf"));
    EXPECT_FALSE(nowhere.open());
    EXPECT_FALSE(nowhere.error().isEmpty());
}

} // namespace
