// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autotune/Autotune.h"
#include "record/SettingsStore.h"
#include "tables/TableEditorDescription.h"
#include "tables/TableOperations.h"

#include <QString>
#include <vector>

// What the autotune window's grid shows of a proposal, how it colours it, the
// locks a click or a key sets, and the cells Apply sends: all without a
// display. Rows and columns are the table's, 0..15, row 0 the highest load.

// What each cell of the grid shows.
enum class ProposalShow : uint8_t { NewMs, OldMs, ChangePercent, Hits, Weight };
inline constexpr int kProposalShowCount = 5;

// The name of a choice as the window lists it ("New ms", "Change %", ...).
QString proposalShowName(ProposalShow show);

// A cell's text: the fuel times as the fuel editor writes them ("8.250"),
// the change in per cent with its sign ("+3.1", "-2.0", "0.0"), the hits,
// the weight to one place. A cell without records shows no change, hits or
// weight.
QString proposalCellText(const AutotuneCell& cell, ProposalShow show);

// The colours of the grid.
inline constexpr RgbColour kLockedColour{160, 160, 160};
inline constexpr RgbColour kNoRecordsColour{232, 232, 232};
inline constexpr RgbColour kTooLittleColour{255, 255, 255};
inline constexpr RgbColour kOnTargetColour{214, 244, 214};
inline constexpr RgbColour kLeanColour{255, 80, 80};  // ran lean: more fuel
inline constexpr RgbColour kRichColour{80, 128, 255}; // ran rich: less fuel

// A cell's background: locked grey; no records a light grey; records but too
// little weight white; unchanged with weight enough pale green; a change
// from white towards red (lean: more fuel) or blue (rich: less fuel), the
// full colour at the largest change allowed.
RgbColour proposalCellColour(const AutotuneCell& cell, const AutotuneOptions& options);

// All a cell holds in a line: row and column as the grid counts them (1..16),
// the fuel now and proposed, the change, hits and weight, and why it stays.
QString proposalCellDetail(const AutotuneCell& cell, int row, int column,
                           const AutotuneOptions& options);

// The cells Apply sends: those the proposal changes, row by row from the
// highest load, each with its new count.
std::vector<FieldCell> proposalCells(const AutotuneProposal& proposal);

// A click or Space on a block of the grid (grid numbers 1..16): when any cell
// of it is unlocked they all lock, otherwise they all unlock. Returns
// whether they are locked now.
bool toggleLocks(AutotuneGrid<bool>& locked, const GridSelection& block);

// The line under the grid: records read, used and rejected, and the plot
// records left out (they lack the water and the injector time).
QString autotuneSummary(const AutotuneCounts& counts, qint64 incomplete);
