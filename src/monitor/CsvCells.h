// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>
#include <vector>

// The cells of a CSV file as spreadsheets and other loggers write it: a
// separator of comma, semicolon or tab, cells optionally in double quotes (a
// doubled quote inside stands for one), and numbers with a decimal point "."
// or, where the separator is not a comma, ",".

// The separator of a header row: the one of tab, semicolon and comma it holds
// most often outside quotes (tab, then semicolon on a tie); comma when it
// holds none.
char csvSeparator(QByteArrayView header);

// Splits a line into its cells. Quoted cells lose their quotes; those are
// kept in storage, so the views stay valid until the next call with it.
void splitCsvLine(QByteArrayView line, char separator, std::vector<QByteArrayView>& cells,
                  std::vector<QByteArray>& storage);

// A cell as a number: blanks around it, an optional sign, digits with one
// decimal mark ("." or, when the separator is not a comma, ","), an optional
// exponent. Nothing for any other text, an empty cell included, and for a
// value that is not finite.
std::optional<double> parseCsvNumber(QByteArrayView cell, char separator);

// A cell as text: without blanks around it and without a UTF-8 byte order
// mark in front.
QByteArrayView trimmedCsvCell(QByteArrayView cell);
