// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/Autotune.h"

#include <gtest/gtest.h>
