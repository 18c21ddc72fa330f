#!/usr/bin/env bash
# Saves every attachment of every shared test mail (and of the bundled sample mailbox) through the
# stand-in, with OutlookDump walking attached messages as the viewer does, and compares the saved
# contents with an independent extraction by Debian's tools: ripmime for MIME, msgconvert followed
# by ripmime for .msg. munpack gives a second opinion where the two disagree.
#
#   compare-extraction.sh SERVER.exe OutlookDump.exe WORKDIR
#
# Per mail: every file the stand-in saved must be among ripmime's output (same bytes), and every
# file ripmime saved under a name of the mail's own must be among the stand-in's. A mail that fails
# this must be listed, with the reason, in known-differences.tsv beside this script.
set -uo pipefail
server_exe=$1 dump_exe=$2 work=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../../.." && pwd)
wine=$root/scripts/wine
testdata=$root/../shared/testdata/mail
[ -d "$testdata" ] || testdata=/work/shared/testdata/mail
known=$here/known-differences.tsv

winpath() { printf 'Z:%s' "$(sed 's#/#\\#g' <<<"$1")"; }

# The stand-in runs under the tests' one launcher, which ends it with the run whatever happens.
runner=$(dirname "$server_exe")/standin_run.exe

rm -rf "$work"
mkdir -p "$work"
failures=0 agreed=0 explained=0 others=0

# ripmime on a MIME file: everything into $2/all, only parts with names of their own into $2/named.
rip() {
    mkdir -p "$2/all" "$2/named"
    ripmime -i "$1" -d "$2/all" >/dev/null 2>&1
    ripmime -i "$1" -d "$2/named" --no-nameless >/dev/null 2>&1
    find "$2/named" -type f -name 'textfile*' -delete # ripmime's names for nameless text parts
}

compare_folder() { # label folder
    local label=$1 folder=$2
    mapfile -t files < <(cd "$folder" && ls | grep -iE '\.(eml|msg)$' | LC_ALL=C sort)
    local n=${#files[@]}
    [ "$n" -gt 0 ] || return 0
    local out=$work/$label
    mkdir -p "$out"
    "$wine" "$runner" --mailbox "$(winpath "$folder")" --select "$(seq -s, 1 "$n")" \
        -- "$(winpath "$dump_exe")" "$(winpath "$out/dump")" </dev/null >"$out/dump.txt" 2>&1
    local rc=$?
    if [ "$rc" -eq 125 ]; then
        echo "FAIL $label: the stand-in did not start"; tail -3 "$out/dump.txt"
        failures=$((failures + 1)); return
    fi
    if [ "$rc" -ne 0 ]; then
        echo "FAIL $label: OutlookDump exit code $rc"; tail -3 "$out/dump.txt"
        failures=$((failures + 1)); return
    fi
    local i
    for ((i = 1; i <= n; i++)); do
        local name=${files[i - 1]} source
        local ref=$out/ref/$i
        mkdir -p "$ref"
        local signature
        signature=$(head -c 8 "$folder/$name" | od -An -tx1 | tr -d ' \n')
        case ${name,,}:$signature in
        *.msg:d0cf11e0a1b11ae1)
            if ! msgconvert --outfile "$ref/converted.eml" "$folder/$name" >"$ref/msgconvert.log" 2>&1; then
                check_mail "$label" "$name" "$out/dump/$i" "$ref" "" "msgconvert cannot read it"
                continue
            fi
            python3 "$here/distinct_boundaries.py" "$ref/converted.eml"
            source=$ref/converted.eml ;;
        *) source=$folder/$name ;; # MIME, whatever the name says
        esac
        rip "$source" "$ref"
        check_mail "$label" "$name" "$out/dump/$i" "$ref" "$source" ""
    done
}

check_mail() { # label name dumpdir refdir source tool-problem
    local label=$1 name=$2 dump=$3 ref=$4 source=$5 problem=$6
    local kind
    kind=$(awk -F'\t' -v n="${dump##*/}" '$1 == "item" && $2 == n { print $4 " " $3 }' "${dump%/dump/*}/dump.txt")
    if [ "${kind%% *}" = other ]; then
        printf 'other  %-60s not a mail item (%s): the viewer never saves its attachments\n' "$name" "${kind#* }"
        others=$((others + 1))
        return
    fi
    if [ -z "$problem" ]; then
        problem=$(python3 "$here/compare_mail.py" "$dump" "$ref/all" "$ref/named" "$source") && {
            agreed=$((agreed + 1))
            if awk -F'\t' -v f="$name" '$1 == f { found = 1 } END { exit !found }' "$known" 2>/dev/null; then
                printf 'note   %-60s now agrees: remove it from known-differences.tsv\n' "$name"
            fi
            return
        }
    fi
    local reason
    reason=$(awk -F'\t' -v f="$name" '$1 == f { print $2 }' "$known" 2>/dev/null)
    if [ -n "$reason" ]; then
        explained=$((explained + 1))
        printf 'known  %-60s %s\n       (%s)\n' "$name" "$reason" "$problem"
    else
        failures=$((failures + 1))
        printf 'FAIL   %-60s %s\n' "$name" "$problem"
    fi
}

compare_folder eml "$testdata/eml"
compare_folder msg "$testdata/msg"
compare_folder sample "$root/data/sample-mailbox"

echo "extraction: $agreed mails agree, $explained differ for known reasons, $others are not mail items, $failures unexplained"
[ "$failures" -eq 0 ]
