// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/ProposalView.h"

#include "record/NumberFormat.h"

#include <algorithm>
#include <cmath>

namespace {

size_t at(int index) {
    return static_cast<size_t>(index);
}

uint8_t mix(uint8_t from, uint8_t to, double share) {
    return static_cast<uint8_t>(std::lround(from + (to - from) * share));
}

RgbColour towards(RgbColour to, double share) {
    const RgbColour white = kTooLittleColour;
    return {mix(white.red, to.red, share), mix(white.green, to.green, share),
            mix(white.blue, to.blue, share)};
}

QString msText(int raw) {
    return fuelEditor().cellText(raw);
}

QString changeText(double percent) {
    const QString text = formatNumber(percent, QStringLiteral("0.0"));
    return percent > 0.0 && text != QLatin1String("0.0") ? QLatin1Char('+') + text : text;
}

} // namespace

QString proposalShowName(ProposalShow show) {
    switch (show) {
    case ProposalShow::NewMs:
        return QStringLiteral("New ms");
    case ProposalShow::OldMs:
        return QStringLiteral("Old ms");
    case ProposalShow::ChangePercent:
        return QStringLiteral("Change %");
    case ProposalShow::Hits:
        return QStringLiteral("Hits");
    case ProposalShow::Weight:
        return QStringLiteral("Weight");
    }
    return {};
}

QString proposalCellText(const AutotuneCell& cell, ProposalShow show) {
    switch (show) {
    case ProposalShow::NewMs:
        return msText(cell.newRaw);
    case ProposalShow::OldMs:
        return msText(cell.oldRaw);
    default:
        break;
    }
    if (cell.hits == 0) {
        return {};
    }
    switch (show) {
    case ProposalShow::ChangePercent:
        return changeText(cell.changePercent());
    case ProposalShow::Hits:
        return QString::number(cell.hits);
    default:
        return formatNumber(cell.weight, QStringLiteral("0.0"));
    }
}

RgbColour proposalCellColour(const AutotuneCell& cell, const AutotuneOptions& options) {
    if (cell.locked) {
        return kLockedColour;
    }
    if (cell.hits == 0) {
        return kNoRecordsColour;
    }
    if (!cell.changed()) {
        return cell.weight >= options.minWeight ? kOnTargetColour : kTooLittleColour;
    }
    const double change = cell.changePercent();
    const double share = options.maxChangePercent > 0.0
                             ? std::clamp(std::abs(change) / options.maxChangePercent, 0.0, 1.0)
                             : 1.0;
    // However small, a change is told from white.
    return towards(change > 0.0 ? kLeanColour : kRichColour, std::max(share, 0.15));
}

QString proposalCellDetail(const AutotuneCell& cell, int row, int column,
                           const AutotuneOptions& options) {
    QString text = QStringLiteral("Row %1, column %2: ").arg(row + 1).arg(column + 1);
    if (cell.hits == 0) {
        text += QStringLiteral("%1 ms, no records").arg(msText(cell.oldRaw).trimmed());
    } else {
        text += QStringLiteral("%1 ms now, %2 ms proposed (%3 %); %4 hits, weight %5")
                    .arg(msText(cell.oldRaw).trimmed(), msText(cell.newRaw).trimmed(),
                         changeText(cell.changePercent()))
                    .arg(cell.hits)
                    .arg(formatNumber(cell.weight, QStringLiteral("0.0")));
    }
    if (cell.locked) {
        text += QStringLiteral("; locked");
    } else if (cell.hits > 0 && cell.weight < options.minWeight) {
        text += QStringLiteral("; too little data: weight below %1")
                    .arg(formatNumber(options.minWeight, QStringLiteral("0.#")));
    }
    return text;
}

std::vector<FieldCell> proposalCells(const AutotuneProposal& proposal) {
    std::vector<FieldCell> cells;
    for (int row = 0; row < kAutotuneSize; ++row) {
        for (int column = 0; column < kAutotuneSize; ++column) {
            const AutotuneCell& cell = proposal.cells[at(row)][at(column)];
            if (cell.changed()) {
                cells.push_back({row, column, cell.newRaw});
            }
        }
    }
    return cells;
}

bool toggleLocks(AutotuneGrid<bool>& locked, const GridSelection& block) {
    const std::vector<GridCell> cells = blockWalk(block);
    const bool lock = std::any_of(cells.begin(), cells.end(), [&locked](const GridCell& c) {
        return !locked[at(c.row - 1)][at(c.column - 1)];
    });
    for (const GridCell& c : cells) {
        locked[at(c.row - 1)][at(c.column - 1)] = lock;
    }
    return lock;
}

QString autotuneSummary(const AutotuneCounts& counts, qint64 incomplete) {
    qint64 rejected = 0;
    for (const qint64 count : counts.rejected) {
        rejected += count;
    }
    QString text = QStringLiteral("%1 records: %2 used, %3 rejected")
                       .arg(counts.records)
                       .arg(counts.used)
                       .arg(rejected);
    if (incomplete > 0) {
        text += QStringLiteral("; %1 plot records left out (no water or injector time)")
                    .arg(incomplete);
    }
    return text;
}
