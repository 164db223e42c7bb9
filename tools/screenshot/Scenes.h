// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pictures of vantrel-screenshot, one function each; each returns the
// exit code of the program.

class Harness;

int monitorScene(Harness& h);
int tablesScene(Harness& h);
int setupScene(Harness& h);
int diagnosticsScene(Harness& h);
int idleScene(Harness& h);
int curvesScene(Harness& h);
int reviewScene(Harness& h);
int scatterScene(Harness& h);
int hitsScene(Harness& h);
int historyScene(Harness& h);
int gaugesScene(Harness& h);
int autotuneScene(Harness& h);
