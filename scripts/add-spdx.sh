#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence's SPDX line at the top of every C++ source file under src,
# tests, tools and bench that lacks it. Running it again changes nothing.
# Usage: scripts/add-spdx.sh
set -euo pipefail
cd "$(dirname "$0")/.."
line='// SPDX-License-Identifier: GPL-3.0-or-later'
added=0
while IFS= read -r -d '' file; do
    if [ "$(head -n 1 "$file")" = "$line" ]; then
        continue
    fi
    tmp="$(mktemp "$file.XXXXXX")"
    { printf '%s\n' "$line"; cat "$file"; } >"$tmp"
    chmod --reference="$file" "$tmp"
    mv "$tmp" "$file"
    added=$((added + 1))
done < <(find src tests tools bench -type f \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) \
    -not -path 'tests/data/*' -print0 | sort -z)
echo "SPDX line added to $added file(s)"
