#!/usr/bin/env bash
# One entry for a fresh Debian 12 machine:
#   bash cmake/textsplit.sh run    installs what is missing, builds, starts the tool
#   bash cmake/textsplit.sh test   installs what is missing, builds, runs every test
#   bash cmake/textsplit.sh bench  builds and runs the splitting benchmark
#   bash cmake/textsplit.sh bench-core  the splitting core natively (instructions
#                                       per MiB with --callgrind)
#   bash cmake/textsplit.sh bench-tool  the 32-bit tool itself on files of GB
#   bash cmake/textsplit.sh dist   builds the tool and packs it with its Chinese
#                                  guide into build/textsplit.zip
# Builds live in build/: win32 (the product; with the Windows tests where the
# machine runs 32-bit code), win64 (the same sources for 64-bit Wine, with the
# Windows tests), native (runtime tests under ASan and UBSan, fuzz targets)
# and i386 (runtime tests as a 32-bit program).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TEXTSPLIT_BUILD:-$ROOT/build}
JOBS=$(nproc)
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

PACKAGES=(cmake make bc g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 xvfb xauth locales
          fonts-wqy-microhei fonts-wine googletest clang libclang-rt-14-dev gcc-multilib
          g++-multilib qemu-user-static imagemagick binutils-mingw-w64-i686 file zip unzip)

# Wine's 32-bit loader, from wine32:i386; only where the machine runs 32-bit code.
WINE32=/usr/lib/wine/wine
RUNS32=no

say() { printf '\n== %s\n' "$*"; }

install_missing() { # packages...
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    say "installing ${missing[*]}"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}

# Some kernels refuse 32-bit x86 programs (ENOEXEC); the only sure test is to
# run one. TEXTSPLIT_NO32=1 takes the refusing path on any machine, for
# checking this script.
check_32bit() {
    local dir
    dir=$(mktemp -d)
    if [ -z "${TEXTSPLIT_NO32:-}" ] &&
        echo 'int main(void) { return 0; }' | gcc -m32 -static -x c -o "$dir/p32" - 2>/dev/null &&
        "$dir/p32" 2>/dev/null; then
        RUNS32=yes
    fi
    rm -rf "$dir"
}

# Where the machine runs 32-bit code: Debian's 32-bit Wine, which needs the
# i386 architecture in dpkg.
setup_wine32() {
    if [ $RUNS32 = no ]; then
        return
    fi
    if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
        dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
        install_missing wine32:i386
    fi
}

setup() {
    install_missing "${PACKAGES[@]}"
    check_32bit
    setup_wine32
    # Wine reports code page 936 only when the Linux locale exists.
    if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
        say "generating the zh_CN.UTF-8 locale"
        $SUDO sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
        $SUDO locale-gen >/dev/null
    fi
}

configure_build() { # dir, cmake args...
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    else
        # An option that changed since the first configure (TEXTSPLIT_TESTS).
        local arg changed=()
        for arg in "$@"; do
            case $arg in
            -DCMAKE_*) ;; # set once; a change would discard the cache
            -D*=*)
                grep -qx "${arg#-D}" <(sed 's/:[A-Z]*=/=/' "$dir/CMakeCache.txt") || changed+=("$arg")
                ;;
            esac
        done
        [ ${#changed[@]} -eq 0 ] || cmake -B "$dir" "${changed[@]}" >/dev/null
    fi
    local log=$dir/build.log
    if ! cmake --build "$dir" -j "$JOBS" >"$log" 2>&1; then
        grep -vE '^\[ *[0-9]+%\]' "$log" >&2
        echo "build failed in $dir" >&2
        exit 1
    fi
    grep -E 'warning:' "$log" | grep -v googletest || true
}

build_product() {
    # The Windows test programs join the product's build where 32-bit Wine
    # can run them; the product is the same either way.
    local tests=OFF
    [ $RUNS32 = no ] || tests=ON
    say "building the tool (32-bit Windows)$([ $tests = OFF ] || echo ' and its tests')"
    configure_build "$BUILD/win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" \
        -DTEXTSPLIT_TESTS=$tests
}

build_windows() {
    build_product
    say "building the 64-bit Windows build and its tests"
    configure_build "$BUILD/win64" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake"
}

build_native() {
    say "building the runtime tests natively (ASan, UBSan)"
    configure_build "$BUILD/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
    say "building the runtime tests as a 32-bit program"
    configure_build "$BUILD/i386" -DTEXTSPLIT_I386=ON
}

wine32_works() { [ $RUNS32 = yes ] && [ -x $WINE32 ] && $WINE32 --version >/dev/null 2>&1; }

# Wine draws the caption buttons with the symbols of its Marlett and shows
# the plain letters ("0 1 r") without it. Debian's Wine looks for its own
# fonts beside its data folder (/usr/share/wine/../fonts), where fonts-wine
# has none, in any locale; a font in the prefix's Fonts folder is always
# found. Copied once into a fresh or an existing prefix; one already there
# stays.
install_marlett() {
    local src=/usr/share/wine/fonts/marlett.ttf fonts=$WINEPREFIX/drive_c/windows/Fonts
    [ ! -f "$fonts/marlett.ttf" ] || return 0
    if [ ! -f "$src" ]; then
        echo "warning: $src is missing (fonts-wine); caption buttons show letters" >&2
        return 0
    fi
    mkdir -p "$fonts"
    cp "$src" "$fonts/marlett.ttf"
}

# Xvfb, a Wine prefix of the project's own (code page 936 through LANG, a
# virtual desktop for real captions and activation; 32-bit support where 32-bit
# Wine works) and a persistent wineserver so that each Wine process starts
# quickly.
start_wine() {
    export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export LANG=zh_CN.UTF-8
    export PATH=/usr/lib/wine:$PATH
    if [ -z "${DISPLAY:-}" ] || [ "${1:-}" = private ]; then
        local n=90
        while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
        Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=:$n
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    fi
    # The desktop lives on the display of the wineserver's first process; one
    # still up from a run on another display makes every window fail there
    # (BadWindow), so it is stopped.
    local shown=$WINEPREFIX/.textsplit-display
    if [ -f "$shown" ] && [ "$(cat "$shown")" != "$DISPLAY" ]; then
        wineserver -k 2>/dev/null || true
    fi
    # A prefix made while 32-bit Wine was missing cannot start a 32-bit
    # program ("could not load kernel32.dll"): the project's own is made anew;
    # one given in WINEPREFIX is the user's and stays.
    if [ -f "$WINEPREFIX/system.reg" ] && wine32_works &&
        [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        if [ "$WINEPREFIX" = "$ROOT/build/wineprefix" ]; then
            say "the Wine prefix lacks 32-bit support: making it anew"
            wineserver -k 2>/dev/null || true
            rm -rf "$WINEPREFIX"
        else
            echo "warning: $WINEPREFIX has no 32-bit support; 32-bit programs cannot start in it" >&2
        fi
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "creating the Wine prefix (once)"
        mkdir -p "$(dirname "$WINEPREFIX")"
        wine64 wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        wineserver -w
    fi
    install_marlett
    echo "$DISPLAY" >"$shown"
    wineserver -p 2>/dev/null || true # already running for this prefix is fine
    # Wine's services and the desktop start with the first process and stay;
    # started here with no pipes of ours, they cannot hold ctest's output open.
    wine64 explorer /desktop=Default,1024x768 >/dev/null 2>&1 &
    wine64 cmd /c exit >/dev/null 2>&1 </dev/null || true
}

stop_wine() {
    wineserver -k 2>/dev/null || true
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}

check_exe() {
    say "checking the product"
    local exe=$BUILD/win32/textsplit.exe
    file "$exe"
    i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {print "  imports " $3}'
    if i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {print tolower($3)}' |
        grep -vqE '^(kernel32|user32|gdi32|msimg32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|atl|msvcrt|psapi)\.dll$'; then
        echo "textsplit.exe imports a DLL that is not Windows' own" >&2
        exit 1
    fi
    # The test seams live in the test copy only: the product names none.
    local seams
    seams=$(grep -ao 'TEXTSPLIT_[A-Za-z0-9_]*' "$exe" | sort -u | tr '\n' ' ' || true)
    if [ -n "$seams" ]; then
        echo "textsplit.exe holds the test seams' names: $seams" >&2
        exit 1
    fi
    echo "  names no test seam"
    bash "$ROOT/cmake/check_vector_path.sh" "$exe"
}

# The zip for a Windows machine: the product and the README's Chinese section
# (the one copy of that text), in code page 936 with CR LF as Notepad expects.
DIST=$BUILD/textsplit.zip
DIST_GUIDE=textsplit.txt

# The section from its heading up to the next heading of the same level, as
# plain text: the title names the tool, subheadings in 【】.
guide_text() {
    awk '/^## / { inside = ($0 == "## 使用说明") }
        !inside { next }
        /^## / { print "文本分割 使用说明"; next }
        /^### / { print "【" substr($0, 5) "】"; next }
        { print }' "$ROOT/README.md"
}

make_dist() {
    say "packing $DIST"
    local dir
    dir=$(mktemp -d)
    guide_text >"$dir/utf8.txt"
    if [ ! -s "$dir/utf8.txt" ]; then
        echo "README.md has no section 使用说明" >&2
        rm -rf "$dir"
        return 1
    fi
    # iconv fails on a character code page 936 lacks rather than drop it.
    if ! sed 's/$/\r/' "$dir/utf8.txt" | iconv -f UTF-8 -t CP936 >"$dir/$DIST_GUIDE"; then
        echo "the section 使用说明 has a character code page 936 lacks" >&2
        rm -rf "$dir"
        return 1
    fi
    # Built aside and moved: a failed pack leaves no half zip under build/.
    if ! cp "$BUILD/win32/textsplit.exe" "$dir/" ||
        ! (cd "$dir" && zip -q -X -D out.zip textsplit.exe "$DIST_GUIDE"); then
        rm -rf "$dir"
        return 1
    fi
    mv "$dir/out.zip" "$DIST"
    rm -rf "$dir"
    unzip -l "$DIST" | sed -n '4,5p'
}

# What a Windows user gets out of the zip: it opens and is whole, exactly the
# two files, the exe byte for byte the product, the guide the README's
# section in code page 936 with every line ending in CR LF.
check_dist() {
    say "checking $DIST"
    local dir fault=0
    dir=$(mktemp -d)
    if ! unzip -tq "$DIST" >/dev/null || ! unzip -q "$DIST" -d "$dir/x"; then
        echo "dist: $DIST does not open" >&2
        rm -rf "$dir"
        return 1
    fi
    local entries expected
    entries=$(unzip -Z1 "$DIST" | sort | tr '\n' ' ')
    expected=$(printf '%s\n' textsplit.exe "$DIST_GUIDE" | sort | tr '\n' ' ')
    [ "$entries" = "$expected" ] || {
        echo "dist: entries are [$entries], not $DIST_GUIDE and textsplit.exe" >&2
        fault=1
    }
    cmp -s "$dir/x/textsplit.exe" "$BUILD/win32/textsplit.exe" || {
        echo "dist: its textsplit.exe is not build/win32/textsplit.exe" >&2
        fault=1
    }
    local guide=$dir/x/$DIST_GUIDE
    if [ ! -s "$guide" ] || ! iconv -f CP936 -t UTF-8 "$guide" >"$dir/back.txt"; then
        echo "dist: $DIST_GUIDE is missing or not code page 936" >&2
        fault=1
    else
        # Every line ends in CR LF: none without its CR, no line without an end.
        if grep -q $'[^\r]$\|^$' "$dir/back.txt" || [ -n "$(tail -c 1 "$dir/back.txt")" ]; then
            echo "dist: $DIST_GUIDE has a line not ending in CR LF" >&2
            fault=1
        fi
        guide_text >"$dir/section.txt"
        tr -d '\r' <"$dir/back.txt" | cmp -s - "$dir/section.txt" || {
            echo "dist: $DIST_GUIDE is not the README's section 使用说明" >&2
            fault=1
        }
    fi
    rm -rf "$dir"
    [ $fault -eq 0 ] && echo "the zip holds textsplit.exe as built and $DIST_GUIDE in code page 936"
    return $fault
}

# Runs ctest in a build folder, printing each test program's own summary and
# ctest's; on failure also the failing assertions.
run_ctest() {
    local log=$1/ctest.log rc=0
    (cd "$1" && ctest -V --timeout 600 >"$log" 2>&1) || rc=1
    grep -E '\[  (PASSED|FAILED)  \]|tests passed|tests failed|\*\*\*' "$log" || true
    if [ $rc -ne 0 ]; then
        grep -E -B2 -A8 'Failure$|\[  FAILED  \]|Death test:' "$log" | head -150
    fi
    return $rc
}

# Both widths share one prefix, desktop and wineserver.
run_windows_tests() {
    local failed=0
    start_wine private
    say "Windows tests under Wine (64-bit build)"
    run_ctest "$BUILD/win64" || failed=1
    if wine32_works; then
        say "Windows tests and the end-to-end test of textsplit.exe itself under 32-bit Wine"
        run_ctest "$BUILD/win32" || failed=1
    else
        say "no 32-bit Windows tests: this machine does not run 32-bit x86 code"
    fi
    stop_wine
    return $failed
}

run_tests() {
    local failed=0
    bash "$ROOT/cmake/check_layers.sh" || failed=1
    check_exe
    say "runtime tests, native, under AddressSanitizer and UndefinedBehaviorSanitizer"
    run_ctest "$BUILD/native" || failed=1
    say "runtime tests as a 32-bit x86 program (qemu-i386)"
    run_ctest "$BUILD/i386" || failed=1
    for fuzzer in "$BUILD"/native/fuzz_*; do
        [ -x "$fuzzer" ] || continue
        say "fuzzing $(basename "$fuzzer") for 60 s"
        mkdir -p "$BUILD/corpus/$(basename "$fuzzer")"
        "$fuzzer" -max_total_time=60 -max_len=4096 -print_final_stats=0 \
            "$BUILD/corpus/$(basename "$fuzzer")" 2>&1 | tail -n 2 || failed=1
    done
    { make_dist && check_dist; } || failed=1
    run_windows_tests || failed=1
    return $failed
}

# The built tool through its dialog on files of several GB, beside a plain
# copy and split -l of the same file; its files are compared with split's.
# Options: --sizes "400 4608" (MiB), --group N (lines per file).
bench_tool() {
    local sizes="400 4608" group=1000000
    while [ $# -gt 0 ]; do
        case $1 in
        --sizes) sizes=$2; shift 2 ;;
        --group) group=$2; shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
        esac
    done
    # The product itself under 32-bit Wine; where the machine refuses 32-bit
    # code, the 64-bit build of the same sources, said so.
    local runner=$WINE32 builds=$BUILD/win32
    if ! wine32_works; then
        echo "this machine does not run 32-bit x86 code: measuring the 64-bit build under 64-bit Wine"
        runner=wine64 builds=$BUILD/win64
    fi
    local dir=/tmp/textsplit_bench_tool.$$ mib t0 t1 copy_s split_s rc=0
    start_wine private
    for mib in $sizes; do
        rm -rf "$dir" && mkdir -p "$dir/split" "$dir/out"
        "$runner" "$builds/tool_bench.exe" --make "$dir/in.txt" "$mib"
        sync
        t0=$(date +%s.%N); cp "$dir/in.txt" "$dir/copy.txt"; sync; t1=$(date +%s.%N)
        copy_s=$(echo "$t1 - $t0" | bc); rm -f "$dir/copy.txt"
        t0=$(date +%s.%N)
        (cd "$dir/split" && split -l "$group" -d -a 6 "$dir/in.txt"); sync
        t1=$(date +%s.%N)
        split_s=$(echo "$t1 - $t0" | bc)
        say "$mib MiB ($(stat -c %s "$dir/in.txt") bytes, $(wc -l <"$dir/in.txt") lines), groups of $group"
        "$runner" "$builds/tool_bench.exe" --run "$builds/textsplit.exe" "$dir/in.txt" \
            "$dir/out" "$group" | tr -d '\r' | iconv -f GBK -t UTF-8 >"$dir/figures"
        cat "$dir/figures"
        local import_s export_s same=yes k=0 f
        import_s=$(awk '/^import_s/ {print $2}' "$dir/figures")
        export_s=$(awk '/^export_s/ {print $2}' "$dir/figures")
        for f in "$dir"/split/x*; do
            k=$((k + 1))
            cmp -s "$f" "$dir/out/文本$k.txt" || same=no
        done
        [ "$(find "$dir/out" -type f | wc -l)" -eq "$k" ] || same=no
        echo "copy_s $copy_s"
        echo "split_s $split_s"
        echo "import+export / split -l: $(echo "scale=2; ($import_s + $export_s) / $split_s" | bc)"
        echo "import+export / copy: $(echo "scale=2; ($import_s + $export_s) / $copy_s" | bc)"
        echo "files byte for byte those of split -l ($k): $same"
        [ $same = yes ] || rc=1
        rm -rf "$dir"
    done
    stop_wine
    return $rc
}

# The splitting core natively, optimised, without sanitizers (build/bench):
# wall clock beside a plain read, cp and split -l of the same file; with
# --callgrind the instructions per MiB, 64-bit under callgrind and the
# 32-bit build (build/bench-i386) counted under qemu, vector and word path.
# Options: --mib N, --runs R, --callgrind, --callgrind-mib M, --qemu-mib Q.
bench_core() {
    local counts=no args=() qemu_mib=1
    while [ $# -gt 0 ]; do
        case $1 in
        --callgrind) counts=yes; shift ;;
        --modes) args+=("$1"); shift ;;
        --qemu-mib) qemu_mib=$2; shift 2 ;;
        --mib | --runs | --callgrind-mib) args+=("$1" "$2"); shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
        esac
    done
    install_missing valgrind
    configure_build "$BUILD/bench" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DTEXTSPLIT_BENCH=ON
    local bench=$BUILD/bench/core_bench
    if [ $counts = no ]; then
        "$bench" "${args[@]}"
        return
    fi
    "$bench" --callgrind "${args[@]}"
    configure_build "$BUILD/bench-i386" -DTEXTSPLIT_BENCH=ON -DTEXTSPLIT_I386=ON
    "$bench" --qemu "$BUILD/bench-i386/core_bench" --callgrind-mib "$qemu_mib"
    "$bench" --qemu "$BUILD/bench-i386/core_bench" --callgrind-mib "$qemu_mib" --word-path
}

case "${1:-}" in
run)
    setup
    build_windows
    start_wine
    # A machine that runs 32-bit code starts the product itself; others the
    # 64-bit build of the same sources.
    exe=$BUILD/win32/textsplit.exe runner=$WINE32
    if ! wine32_works; then
        echo "this machine does not run 32-bit x86 code: starting the 64-bit build"
        exe=$BUILD/win64/textsplit.exe runner=wine64
    fi
    say "starting $exe on display $DISPLAY"
    code=0
    "$runner" "$exe" || code=$?
    stop_wine
    exit $code
    ;;
test)
    setup
    build_windows
    build_native
    run_tests
    ;;
bench)
    setup
    build_windows
    start_wine private
    wine64 "$BUILD/win64/split_bench.exe" "${@:2}"
    stop_wine
    ;;
bench-core)
    setup
    bench_core "${@:2}"
    ;;
bench-tool)
    setup
    build_windows
    bench_tool "${@:2}"
    ;;
wine)
    # Runs one Windows program (with its arguments) in the project's Wine
    # environment, on the shared display :95 or $TEXTSPLIT_DISPLAY (started
    # if missing).
    shift
    n=${TEXTSPLIT_DISPLAY:-95}
    if [ ! -e /tmp/.X11-unix/X$n ]; then
        Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    fi
    export DISPLAY=:$n
    check_32bit
    start_wine
    exec wine64 "$@"
    ;;
dist)
    setup
    build_product
    make_dist
    check_dist
    ;;
build)
    setup
    build_windows
    build_native
    ;;
*)
    echo "usage: $0 run|test|bench|bench-core|bench-tool|build|dist|wine PROGRAM..." >&2
    exit 2
    ;;
esac
