// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>

// A window's rectangle moved, and where it is larger than the area shrunk,
// so that it lies inside the area: a window opened, grown or restored there
// is seen whole. The window never becomes smaller than its minimum size; an
// area smaller than that keeps the window at the area's left or top edge.
QRect keepInside(const QRect& window, const QRect& area, const QSize& minimum = {});
