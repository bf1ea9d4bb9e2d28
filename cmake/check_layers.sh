#!/usr/bin/env bash
# Fails when a lower layer includes a higher one. The layers, from the
# bottom: runtime < window < controls, menu < skin < app; controls and menu
# stand side by side and include neither each other. Tests and the benchmark
# may include anything.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

dirs=()
for d in runtime window controls menu skin app; do [ -d "$d" ] && dirs+=("$d"); done

grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "${dirs[@]}" |
    awk '
    BEGIN {
        rank["runtime"] = 0; rank["window"] = 1; rank["controls"] = 2; rank["menu"] = 2
        rank["skin"] = 3; rank["app"] = 4
    }
    {
        split($0, at, ":")
        split(at[1], from, "/")
        if (!match($0, /"[^"]*"/)) next
        target = substr($0, RSTART + 1, RLENGTH - 2)
        split(target, to, "/")
        if (!(to[1] in rank) || !(from[1] in rank)) next
        if (rank[to[1]] > rank[from[1]] || (rank[to[1]] == rank[from[1]] && to[1] != from[1])) {
            printf "layer fault: %s:%s includes %s (%s is not below %s)\n", at[1], at[2], target, to[1], from[1]
            bad = 1
        }
    }
    END { exit bad }'
echo "layers: no include runs from a lower layer to a higher one"
