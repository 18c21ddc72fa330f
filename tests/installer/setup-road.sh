#!/usr/bin/env bash
# The user's whole road in a Wine prefix made for this run and removed after it: silent setup,
# installed files and registry entries, Outlook (the stand-in) loading the add-in from the registry,
# a click on its button starting the installed viewer, which writes the report page for the selected
# mail, a second click starting it again, the silent uninstall, and then a prefix that is as it was
# before the setup (registry exports and a file list of drive C: compared).
#
#   setup-road.sh VaroscopeSetup.exe OutlookSubstitute.exe RELEASE_DIR WORKDIR
#
# Prints the setup's size and the install and uninstall times. Everything of the prefix ends with
# its own server at exit, the stand-in included.
set -uo pipefail
setup_exe=$1 standin_exe=$2 release_dir=$3 work=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

export VARO_WINEPREFIX=$work/prefix WINEPREFIX=$work/prefix WINEDEBUG=-all
unset WINEDLLOVERRIDES
wine_run() { "$root/scripts/wine" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
winpath() { printf 'Z:%s' "$(sed 's#/#\\#g' <<<"$1")"; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check_eq() { # what expected actual
    if [ "$2" != "$3" ]; then fail "$1: expected [$2], got [$3]"; fi
}
wait_for() { # tenths-of-a-second command...: true once the command succeeds within the bound
    local bound=$1; shift
    for _ in $(seq 1 "$bound"); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

cleanup() {
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null
    rm -rf "$work/prefix" "$work/prefix.lock"
}
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work"

# A .bat passes paths with blanks unchanged and hands back the program's exit code.
run_bat() { # name lines...
    local bat=$work/$1.bat; shift
    { echo '@echo off'; printf '%s\r\n' "$@"; echo 'exit %errorlevel%'; } >"$bat"
    "$root/scripts/wine" cmd /c "$(winpath "$bat")" </dev/null >/dev/null 2>&1
}

# ---- a new prefix, the stand-in registered as Outlook (that is the "before") -----------------------
t0=$(now)
wine_run cmd /c exit >/dev/null
WINEDEBUG=-all wineserver -p
export DISPLAY=$("$root/scripts/ensure-display")
wine_run "$standin_exe" --register >/dev/null || fail "stand-in registration"
echo "prefix ready in $(elapsed "$t0" "$(now)") s"

drive_c=$work/prefix/drive_c
temp_win=$(wine_run cmd /c echo %TEMP%)
temp_rel=${temp_win#C:\\}
temp_dir=$drive_c/${temp_rel//\\//}
user_dir=$(dirname "$temp_dir")

wine_session_keys='^\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\(Video|Class\\\{4D36E968-E325-11CE-BFC1-08002BE10318\})|^\[HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters'
snapshot() { # name
    local hive
    for hive in HKLM HKCU; do
        wine_run reg export "$hive" "$(winpath "$work/$1-$hive.reg")" /y >/dev/null
        # UTF-16 text; one line per value (continued lines joined), so that a diff names keys and
        # values. Left out: what Wine itself rewrites at every session (display devices, metrics).
        iconv -f UTF-16 -t UTF-8 "$work/$1-$hive.reg" | tr -d '\r' |
            awk '/^\[/ { key = $0; print key; next }
                 /^$/ { next }
                 { line = $0
                   while (line ~ /\\$/ && (getline more) > 0) { sub(/\\$/, "", line); sub(/^ +/, "", more); line = line more }
                   print key " " line }' |
            grep -v -E "$wine_session_keys" | LC_ALL=C sort >"$work/$1-$hive.txt"
    done
    # The user's temporary folder is scratch space of every program (the viewer's working folder).
    (cd "$drive_c" && find . -path "./${temp_dir#"$drive_c"/}" -prune -o -print | LC_ALL=C sort) \
        >"$work/$1-files.txt"
}
snapshot before

# ---- install ----------------------------------------------------------------------------------------
echo "setup size: $(stat -c %s "$setup_exe") bytes"
cp "$setup_exe" "$work/VaroscopeSetup.exe"
t0=$(now)
run_bat install "$(winpath "$work/VaroscopeSetup.exe") /S"
rc=$?
echo "install: $(elapsed "$t0" "$(now)") s"
check_eq "setup exit code" 0 "$rc"

install_dir="$drive_c/Program Files/Varoscope"
expected_files=$(printf '%s\n' LANG LANG/Deutsch.lng LANG/Francais.lng Varo.chm VaroAddin.dll VaroDoc.bmp \
    VaroReport.css VaroReport.xsl uninstall.exe varo.exe)
check_eq "installed files" "$expected_files" "$(cd "$install_dir" 2>/dev/null && find . -mindepth 1 |
    sed 's#^\./##' | LC_ALL=C sort)"
cmp -s "$release_dir/varo.exe" "$install_dir/varo.exe" || fail "varo.exe is not the stripped build"
cmp -s "$release_dir/x64/VaroAddin.dll" "$install_dir/VaroAddin.dll" || fail "VaroAddin.dll is not the x64 one"
cmp -s "$root/data/VaroReport.xsl" "$install_dir/VaroReport.xsl" || fail "VaroReport.xsl differs"
[ -f "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Varoscope.lnk" ] || fail "no Start-menu shortcut"

reg_value() { # key value: the data of one value as reg query prints it ("" for the default value)
    if [ -z "$2" ]; then
        wine_run reg query "$1" /ve | awk '$1 == "(Default)" { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
    else
        wine_run reg query "$1" /v "$2" | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
    fi
}
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varoscope'
check_eq DisplayName "Varoscope" "$(reg_value "$uninstall_key" DisplayName)"
check_eq DisplayVersion "1.41" "$(reg_value "$uninstall_key" DisplayVersion)"
check_eq Publisher "Drovasoft" "$(reg_value "$uninstall_key" Publisher)"
check_eq DisplayIcon 'C:\Program Files\Varoscope\varo.exe,0' "$(reg_value "$uninstall_key" DisplayIcon)"
check_eq UninstallString '"C:\Program Files\Varoscope\uninstall.exe"' "$(reg_value "$uninstall_key" UninstallString)"
check_eq QuietUninstallString '"C:\Program Files\Varoscope\uninstall.exe" /S' \
    "$(reg_value "$uninstall_key" QuietUninstallString)"
check_eq NoModify 0x1 "$(reg_value "$uninstall_key" NoModify)"
check_eq NoRepair 0x1 "$(reg_value "$uninstall_key" NoRepair)"
size_kb=$(( $(du -sk --apparent-size "$install_dir" | cut -f1) ))
reported_kb=$(( $(reg_value "$uninstall_key" EstimatedSize) ))
[ "$reported_kb" -gt $((size_kb / 2)) ] && [ "$reported_kb" -le $((size_kb + 8)) ] ||
    fail "EstimatedSize $reported_kb KB for $size_kb KB installed"

clsid='HKCR\CLSID\{41469133-F84A-40AF-9380-CE776F52EF86}'
check_eq InprocServer32 'C:\Program Files\Varoscope\VaroAddin.dll' "$(reg_value "$clsid\\InprocServer32" '')"
addin_key='HKCU\Software\Microsoft\Office\Outlook\Addins\VaroAddin.Addin'
check_eq LoadBehavior 0x3 "$(reg_value "$addin_key" LoadBehavior)"

# What the setup added to the registry, beyond the keys checked above: nothing outside its own places.
snapshot installed
added=$(LC_ALL=C comm -13 "$work/before-HKLM.txt" "$work/installed-HKLM.txt"; LC_ALL=C comm -13 \
    "$work/before-HKCU.txt" "$work/installed-HKCU.txt")
unexpected=$(grep -v -i -E '^\[(HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varoscope|HKEY_LOCAL_MACHINE\\Software\\(Wow6432Node\\)?Classes\\(Wow6432Node\\)?(VaroAddin\.Addin|CLSID\\\{41469133-F84A-40AF-9380-CE776F52EF86\}|TypeLib\\\{8A572718-D521-46F1-80E6-9BE987AE3284\}|Interface\\\{5605EE66-EDD0-42A7-9E79-0AD61A3C2972\})|HKEY_CURRENT_USER\\Software\\Microsoft\\Office)' <<<"$added")
[ -z "$unexpected" ] || fail "the setup wrote elsewhere in the registry:"$'\n'"$unexpected"

# ---- the button in Outlook starts the installed viewer ---------------------------------------------
standin_log=$work/standin.log
# As Outlook 2016: the button pressed is the add-in's on the ribbon's Home tab.
"$root/scripts/wine" "$standin_exe" --outlook-version 16 --mailbox "$(winpath "$root/data/sample-mailbox")" \
    --select 1 </dev/null >"$standin_log" 2>&1 &
standin_pid=$!
wait_for 600 grep -qs 'OutlookSubstitute: ready' "$standin_log" || fail "the stand-in did not get ready"

# A viewer of this prefix (Wine's tasklist lists nothing): a varo.exe process with our WINEPREFIX.
viewer_running() {
    local pid
    for pid in $(pgrep -f 'Varoscope.varo\.exe'); do
        grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && return 0
    done
    return 1
}
viewer_gone() { ! viewer_running; }
click_and_capture() { # round
    rm -f "$temp_dir/VaroReport.htm"
    wine_run "$standin_exe" --click-ribbon VaroscopeShowPictures >"$work/click-$1.log" || fail "click $1 was refused"
    if wait_for 600 test -s "$temp_dir/VaroReport.htm"; then
        grep -q 'Holiday pictures' "$temp_dir/VaroReport.htm" || fail "report $1 does not show the selected mail"
    else
        fail "click $1 gave no report page"
    fi
    # Close the viewer as its window's close box does, and wait until it has ended.
    wine_run taskkill /im varo.exe >/dev/null
    wait_for 300 viewer_gone || fail "viewer $1 did not close"
}
click_and_capture 1

# While Outlook holds the add-in, another setup run replaces nothing and says so by its exit code.
changed() { stat -c %Z "$install_dir/varo.exe" "$install_dir/VaroAddin.dll" 2>/dev/null; }
before_busy=$(changed)
sleep 1 # change times have a resolution of one second
run_bat install-busy "$(winpath "$work/VaroscopeSetup.exe") /S"
check_eq "setup exit code while Outlook runs" 3 "$?"
check_eq "files touched while Outlook runs" "$before_busy" "$(changed)"

click_and_capture 2

wine_run "$standin_exe" --stop >/dev/null
wait "$standin_pid" 2>/dev/null

# Installing over the installation upgrades it in place: files replaced, the same entries.
ours='Uninstall\\Varoscope|VaroAddin|41469133-F84A-40AF-9380-CE776F52EF86|8A572718-D521-46F1-80E6-9BE987AE3284|5605EE66-EDD0-42A7-9E79-0AD61A3C2972'
t0=$(now)
run_bat upgrade "$(winpath "$work/VaroscopeSetup.exe") /S"
check_eq "setup exit code over an installation" 0 "$?"
echo "upgrade: $(elapsed "$t0" "$(now)") s"
[ "$(changed)" != "$before_busy" ] || fail "the upgrade did not replace the files"
snapshot upgraded
for part in HKLM HKCU; do
    diff <(grep -E "$ours" "$work/installed-$part.txt") <(grep -E "$ours" "$work/upgraded-$part.txt") >/dev/null ||
        fail "the upgrade changed the entries of Varoscope under $part"
done
# The viewer keeps its language choice in varo.ini beside the program; the setup leaves it alone.
diff "$work/installed-files.txt" <(grep -v -x './Program Files/Varoscope/varo.ini' "$work/upgraded-files.txt") ||
    fail "the upgrade changed the file list"

# ---- uninstall, as "Apps & features" runs it ----------------------------------------------------------
t0=$(now)
run_bat uninstall '"C:\Program Files\Varoscope\uninstall.exe" /S'
check_eq "uninstaller exit code" 0 "$?"
# The uninstaller hands over to a copy of itself in the temporary folder and returns at once.
install_gone() { [ ! -e "$install_dir" ]; }
wait_for 600 install_gone || fail "the install folder is still there"
echo "uninstall: $(elapsed "$t0" "$(now)") s"

snapshot after
for part in HKLM HKCU files; do
    diff "$work/before-$part.txt" "$work/after-$part.txt" >"$work/diff-$part.txt"
done
# Left on purpose: the uninstaller's copy of itself, deleted at the next restart of Windows.
grep -v -E '^> \[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\] "PendingFileRenameOperations"|^[0-9,acd]+$|^---$' \
    "$work/diff-HKLM.txt" >"$work/unexplained-HKLM.txt"
# Left by the stand-in: the command bars that Office keeps between Outlook runs.
grep -v -E '^> \[HKEY_CURRENT_USER\\Software\\Varoscope(\\OutlookSubstitute(\\CommandBars(\\[0-9]+)?)?)?\]|^[0-9,acd]+$|^---$' \
    "$work/diff-HKCU.txt" >"$work/unexplained-HKCU.txt"
for part in HKLM HKCU files; do
    f=$work/diff-$part.txt
    [ "$part" != files ] && f=$work/unexplained-$part.txt
    if [ -s "$f" ]; then
        fail "after uninstall, $part differs from before the setup:"
        head -n 40 "$f"
    fi
done

[ "$failures" -eq 0 ] && echo "setup road: all checks passed" || echo "setup road: $failures failures"
[ "$failures" -eq 0 ]
