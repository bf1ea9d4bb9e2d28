#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine in the project's prefix and display
# (cmake/textsplit.sh sets WINEPREFIX and DISPLAY). ctest's emulator.
exec /usr/lib/wine/wine64 "$@"
