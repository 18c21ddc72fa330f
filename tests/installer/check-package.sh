#!/usr/bin/env bash
# What the setup carries: stripped files whose debug information stays beside them, linked by name,
# 32- and 64-bit add-in libraries of the right machine type, and version resources naming the
# product and its publisher on the setup and on every shipped program file.
#
#   check-package.sh VaroscopeSetup.exe RELEASE_DIR BIN_DIR
set -uo pipefail
setup_exe=$1 release=$2 bin=$3
objdump=x86_64-w64-mingw32-objdump
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

sections() { "$objdump" -h "$1" 2>/dev/null | awk '$1 ~ /^[0-9]+$/ { print $2 }'; }

for f in varo.exe x64/VaroAddin.dll x86/VaroAddin.dll; do
    shipped=$release/$f
    [ -f "$shipped" ] || { fail "$f is missing"; continue; }
    s=$(sections "$shipped")
    grep -q '^\.debug_' <<<"$s" && fail "$f still carries debug sections"
    grep -qx '\.gnu_debuglink' <<<"$s" || fail "$f does not name its debug file"
    link=$("$objdump" -s -j .gnu_debuglink "$shipped" | awk 'NR > 4 { print $NF }' | tr -d '\n' | cut -d. -f1-3)
    case "$link" in "$(basename "$f").debug"*) ;; *) fail "$f links [$link] instead of $(basename "$f").debug" ;; esac
    sections "$shipped.debug" | grep -qx '\.debug_info' || fail "$f.debug holds no debug information"
done
# The tests keep the full build.
sections "$bin/varo.exe" | grep -qx '\.debug_info' || fail "bin/varo.exe lost its debug information"
ratio=$(( $(stat -c %s "$bin/varo.exe") / $(stat -c %s "$release/varo.exe") ))
echo "varo.exe: $(stat -c %s "$bin/varo.exe") bytes built, $(stat -c %s "$release/varo.exe") shipped"
[ "$ratio" -ge 2 ] || fail "stripping did not make varo.exe smaller"

"$objdump" -f "$release/x64/VaroAddin.dll" | grep -q 'pei-x86-64' || fail "x64/VaroAddin.dll is not 64-bit"
"$objdump" -f "$release/x86/VaroAddin.dll" | grep -q 'pei-i386' || fail "x86/VaroAddin.dll is not 32-bit"

for f in "$setup_exe" "$release/varo.exe" "$release/x64/VaroAddin.dll" "$release/x86/VaroAddin.dll"; do
    text=$(python3 "$here/version-info.py" "$f")
    for want in CompanyName=Drovasoft ProductName=Varoscope ProductVersion=1.41 PRODUCTVERSION=1.41.0.0; do
        grep -qxF "$want" <<<"$text" || fail "$(basename "$f"): version resource lacks $want"
    done
done

size=$(stat -c %s "$setup_exe")
echo "setup: $size bytes"
[ "$failures" -eq 0 ] && echo "package: all checks passed"
[ "$failures" -eq 0 ]
