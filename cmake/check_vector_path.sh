#!/usr/bin/env bash
# The 32-bit product must start and run on any 32-bit x86 processor: its
# SSE and SSE2 instructions (those on xmm registers, and the SSE2 fences)
# stand only in the vector functions (named ...ByVectors), which run only
# where the processor has SSE2.
set -euo pipefail
exe=${1:?usage: check_vector_path.sh PRODUCT.exe}
i686-w64-mingw32-objdump -d --no-show-raw-insn "$exe" | awk '
    /^[0-9a-f]+ <.*>:$/ { fn = $2; next }
    /%xmm|[ \t](mfence|lfence|movnti|clflush|maskmovq|movntq)[ \t]/ {
        if (fn ~ /ByVectors/) { inside[fn] = 1 } else if (!(fn in seen)) { seen[fn] = 1; print "SSE outside the vector path: " fn; bad = 1 }
    }
    END {
        for (f in inside) n++
        if (!bad) printf "vector path: SSE2 in %d vector functions only\n", n
        exit bad
    }'
