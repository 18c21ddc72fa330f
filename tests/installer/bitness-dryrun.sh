#!/usr/bin/env bash
# The setup's choice of folder and add-in library for each place where an Outlook names its
# bitness, through its /DRYRUN switch, in the project's prefix with a faked Office registry.
#
#   bitness-dryrun.sh VaroscopeSetup.exe WORKDIR
set -uo pipefail
setup_exe=$1 work=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
export WINEDEBUG=-all
wine_run() { "$root/scripts/wine" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
winpath() { printf 'Z:%s' "$(sed 's#/#\\#g' <<<"$1")"; }
rm -rf "$work"
mkdir -p "$work"

# The faked keys live under these two; neither may exist before (this prefix has no Office).
fake_roots=('HKLM\Software\Microsoft\Office' 'HKLM\Software\WOW6432Node\Microsoft\Office')
for key in "${fake_roots[@]}"; do
    if "$root/scripts/wine" reg query "$key" </dev/null >/dev/null 2>&1; then
        echo "FAIL: $key exists in this prefix; the test would change a real Office's registry"
        exit 1
    fi
done
remove_fakes() {
    for key in "${fake_roots[@]}"; do wine_run reg delete "$key" /f >/dev/null; done
}
trap remove_fakes EXIT

x64_road=$'outlook=x64\nfolder=C:\\Program Files\\Varoscope\nsupportfolder=C:\\Program Files\\Varoscope\naddin=x64\nregsvr32=C:\\windows\\System32\\regsvr32.exe'
x86_road=$'outlook=x86\nfolder=C:\\Program Files (x86)\\Varoscope\nsupportfolder=C:\\Program Files\\Varoscope\naddin=x86\nregsvr32=C:\\windows\\SysWOW64\\regsvr32.exe'

failures=0 n=0
case_() { # label expected-road [key value data]
    local label=$1 expected=$2
    n=$((n + 1))
    remove_fakes
    if [ $# -gt 2 ]; then
        wine_run reg add "$3" /v "$4" /t REG_SZ /d "$5" /f >/dev/null
    fi
    local out=$work/decision-$n.txt
    "$root/scripts/wine" "$setup_exe" "/DRYRUN=$(winpath "$out")" </dev/null >/dev/null 2>&1
    local rc=$?
    local got
    got=$(tr -d '\r' <"$out" 2>/dev/null | grep -v '^source=')
    if [ "$rc" -ne 0 ] || [ "$got" != "$expected" ]; then
        echo "FAIL: $label (exit code $rc):"
        echo "$got"
        failures=$((failures + 1))
    else
        echo "ok: $label -> $(head -n 1 <<<"$got")"
    fi
}

case_ "no Outlook" "$x64_road"
case_ "64-bit Office 2016" "$x64_road" 'HKLM\Software\Microsoft\Office\16.0\Outlook' Bitness x64
case_ "32-bit Office 2016, native view" "$x86_road" 'HKLM\Software\Microsoft\Office\16.0\Outlook' Bitness x86
case_ "32-bit Office 2013 in WOW6432Node" "$x86_road" \
    'HKLM\Software\WOW6432Node\Microsoft\Office\15.0\Outlook' Bitness x86
case_ "Click-to-Run, 32-bit Outlook" "$x86_road" \
    'HKLM\Software\Microsoft\Office\ClickToRun\REGISTRY\MACHINE\Software\Microsoft\Office\16.0\Outlook' Bitness x86
case_ "Click-to-Run platform x86" "$x86_road" \
    'HKLM\Software\Microsoft\Office\ClickToRun\Configuration' Platform x86
case_ "Outlook 2007 (32-bit only, no Bitness)" "$x86_road" \
    'HKLM\Software\WOW6432Node\Microsoft\Office\12.0\Outlook\InstallRoot' Path 'C:\Office12\'
case_ "unknown Bitness text is not trusted" "$x64_road" 'HKLM\Software\Microsoft\Office\16.0\Outlook' Bitness arm64

# The dry run changes nothing: no folder was made for any of the roads.
drive_c=${VARO_WINEPREFIX:-$root/build/wineprefix}/drive_c
for d in "Program Files/Varoscope" "Program Files (x86)/Varoscope"; do
    if [ -e "$drive_c/$d" ] && [ ! -e "$drive_c/$d/uninstall.exe" ]; then
        echo "FAIL: the dry run made $d"
        failures=$((failures + 1))
    fi
done

echo "bitness: $((n - failures)) of $n cases passed"
[ "$failures" -eq 0 ]
