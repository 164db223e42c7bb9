// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ReportPrinter.h"
#include "files/DataReport.h"
#include "record/AppState.h"

#include <QFile>
#include <QFontMetrics>
#include <QPageSize>
#include <QPrinter>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A record whose report has the widest values: full tables of four-digit
// cells, every input and output in use.
EcuSettings wideRecord() {
    EcuSettings s = EcuSettings::withDefaults();
    for (auto& row : s.FuelTable) {
        row.fill(254); // 15.938 ms
    }
    for (auto& row : s.IgnitionTable) {
        row.fill(95); // 47.5 degrees
    }
    s.BankCompensation[2] = 110;
    s.BankCompensation[3] = 102;
    s.BankCompensation[4] = 98;
    s.EgoControl = 1;
    s.LoadControl = 1;
    s.MapSensorType = 2;
    s.UserInputAnalogMode = {3, 2, 1};
    s.UserOutputType = {1, 3, 4, 5};
    s.UserInputDigitalMode = {4, 1, 0};
    return s;
}

// The state printed with it: a deep file path and the ECU's identity.
AppState wideState() {
    AppState state;
    state.CurrentFileName = QStringLiteral("/home/tuner/") + QString(30, QLatin1Char('x')) +
                            QStringLiteral("/engines/") + QString(160, QLatin1Char('y')) +
                            QStringLiteral("/test bench.ecu");
    state.identity.VersionText = QStringLiteral("2.051");
    state.identity.BuildText = QStringLiteral("007");
    state.identity.SerialNumberText = QStringLiteral("2-3-25-1234");
    return state;
}

QString withoutBlanks(QString text) {
    return text.remove(QLatin1Char(' '));
}

struct PageCase {
    const char* name;
    QPageSize size;
    QPageLayout::Orientation orientation;
    double marginMm;     // < 0: the printer's own margins
    bool tablesBanded;   // a table is wider than the page
    bool tableContinued; // a table is longer than the page
};

class ReportPrinterTest : public ::testing::TestWithParam<PageCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        const PageCase& c = GetParam();
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(m_dir.filePath(QStringLiteral("report.pdf")));
        m_printer.setPageSize(c.size);
        m_printer.setPageOrientation(c.orientation);
        if (c.marginMm >= 0) {
            m_printer.setPageMargins(QMarginsF(c.marginMm, c.marginMm, c.marginMm, c.marginMm),
                                     QPageLayout::Millimeter);
        }
    }

    QTemporaryDir m_dir;
    QPrinter m_printer{QPrinter::HighResolution};
};

struct Printed {
    size_t page;
    size_t index; // on the page
    QString text;
};

// The printed lines of one block, in page order.
std::vector<Printed> printedOf(const std::vector<ReportPage>& pages, size_t block) {
    std::vector<Printed> out;
    for (size_t p = 0; p < pages.size(); ++p) {
        for (size_t i = 0; i < pages[p].size(); ++i) {
            if (pages[p][i].block == block) {
                out.push_back({p, i, pages[p][i].text});
            }
        }
    }
    return out;
}

TEST_P(ReportPrinterTest, EveryLineFitsAndEveryTableStartsOnAPageWithItsHeading) {
    const PageCase& c = GetParam();
    const std::vector<ReportBlock> blocks =
        dataReport(wideState(), wideRecord(), QStringLiteral("1.000  Build 001"), QDateTime());
    const std::vector<ReportPage> pages = layoutForPrinter(m_printer, blocks);

    const QFontMetrics metrics(reportFont(), &m_printer);
    const QRect area = m_printer.pageLayout().paintRectPixels(m_printer.resolution());
    const int linesPerPage = area.height() / metrics.lineSpacing();
    QSet<QString> lines;
    for (size_t p = 0; p < pages.size(); ++p) {
        EXPECT_LE(static_cast<int>(pages[p].size()), linesPerPage) << "page " << p;
        for (const ReportPrintedLine& line : pages[p]) {
            EXPECT_LE(metrics.horizontalAdvance(line.text), area.width())
                << "page " << p << ": " << line.text.toStdString();
            lines.insert(line.text);
        }
    }
    // A text line that fits is printed whole.
    for (const ReportBlock& block : blocks) {
        for (QString line : reportText({block})) {
            while (line.endsWith(QLatin1Char(' '))) {
                line.chop(1);
            }
            if (block.kind == ReportBlock::Kind::Text &&
                metrics.horizontalAdvance(line) <= area.width()) {
                EXPECT_TRUE(lines.contains(line)) << line.toStdString();
            }
        }
    }

    bool banded = false;
    bool continued = false;
    for (size_t b = 0; b < blocks.size(); ++b) {
        const std::vector<Printed> printed = printedOf(pages, b);
        ASSERT_FALSE(printed.empty()) << "block " << b;
        if (blocks[b].kind == ReportBlock::Kind::Text) {
            // Text lines are broken between their items, nothing lost or moved.
            QString text;
            for (const Printed& line : printed) {
                text += withoutBlanks(line.text);
            }
            EXPECT_EQ(text, withoutBlanks(reportText({blocks[b]}).join(QString())));
            continue;
        }
        // A table is printed in bands of its columns, each band starting
        // with the table's heading. A band stays on one page when it fits on
        // one, and every page it goes on to starts with the heading again,
        // marked as continued.
        const QString heading = blocks[b].lines.front().text().trimmed();
        std::vector<std::vector<Printed>> bands;
        for (const Printed& line : printed) {
            const QString text = line.text.trimmed();
            if (text.startsWith(heading) && !text.endsWith(QStringLiteral("(continued)"))) {
                bands.emplace_back();
            }
            ASSERT_FALSE(bands.empty()) << "a table starts with its heading";
            bands.back().push_back(line);
        }
        const size_t rows = blocks[b].lines.size() - 1;
        std::vector<QString> rowText(rows);
        for (const std::vector<Printed>& band : bands) {
            size_t row = 0;
            for (size_t i = 1; i < band.size(); ++i) {
                const Printed& line = band[i];
                if (line.page != band[i - 1].page) {
                    EXPECT_EQ(line.index, 0u) << "a continued table starts a page";
                    EXPECT_EQ(line.text, continuedHeading(band.front().text));
                    continued = true;
                    continue;
                }
                ASSERT_LT(row, rows) << heading.toStdString();
                rowText[row++] += withoutBlanks(line.text);
            }
            EXPECT_EQ(row, rows) << heading.toStdString();
            if (static_cast<int>(rows + 1) <= linesPerPage) {
                EXPECT_EQ(band.front().page, band.back().page)
                    << heading.toStdString() << " is split";
            }
        }
        for (size_t row = 0; row < rows; ++row) {
            EXPECT_EQ(rowText[row], withoutBlanks(blocks[b].lines[row + 1].text()))
                << heading.toStdString() << " row " << row;
        }
        banded = banded || bands.size() > 1;
    }
    EXPECT_EQ(banded, c.tablesBanded);
    EXPECT_EQ(continued, c.tableContinued);

    // The same pages reach the printer.
    ASSERT_TRUE(printDataReport(m_printer, blocks));
    QFile pdf(m_printer.outputFileName());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray data = pdf.readAll();
    EXPECT_EQ(data.count("/Type /Page\n") + data.count("/Type /Page "),
              static_cast<qsizetype>(pages.size()));
}

INSTANTIATE_TEST_SUITE_P(
    PageSizes, ReportPrinterTest,
    ::testing::Values(
        PageCase{"A4Portrait", QPageSize(QPageSize::A4), QPageLayout::Portrait, -1.0, false, false},
        PageCase{"LetterPortrait", QPageSize(QPageSize::Letter), QPageLayout::Portrait, 6.35, false,
                 false},
        PageCase{"A4WideMargins", QPageSize(QPageSize::A4), QPageLayout::Portrait, 25.0, true,
                 false},
        PageCase{"A4Landscape", QPageSize(QPageSize::A4), QPageLayout::Landscape, 10.0, false,
                 false},
        PageCase{"A6Portrait", QPageSize(QPageSize::A6), QPageLayout::Portrait, 5.0, true, false},
        PageCase{"Label", QPageSize(QSizeF(120, 50), QPageSize::Millimeter), QPageLayout::Portrait,
                 5.0, true, true}),
    [](const ::testing::TestParamInfo<PageCase>& info) { return std::string(info.param.name); });

} // namespace
