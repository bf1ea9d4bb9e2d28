#!/usr/bin/env bash
# ctest's emulator: runs a Windows program under Wine in the project's prefix
# and display (cmake/textsplit.sh sets WINEPREFIX and DISPLAY). The first
# argument is the program's width: 64 (wine64) or 32 (Wine's 32-bit loader).
width=$1
shift
case $width in
32) exec /usr/lib/wine/wine "$@" ;;
*) exec /usr/lib/wine/wine64 "$@" ;;
esac
