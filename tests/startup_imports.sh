#!/bin/sh
# startup_imports.sh PROGRAM: fails when the program imports a system library that only a file dialog or a
# picture needs (comdlg32, oleaut32): those are loaded on first use, not with every start of the program.
dlls=$(i686-w64-mingw32-objdump -p "$1" | awk '/^\tDLL Name:/ {print tolower($3)}')
[ -n "$dlls" ] || { echo "$1: no import table read"; exit 1; }
late=$(echo "$dlls" | grep -xE 'comdlg32\.dll|oleaut32\.dll')
[ -z "$late" ] || { echo "$1 imports" $late "at start-up"; exit 1; }
echo "$1 imports:" $dlls
