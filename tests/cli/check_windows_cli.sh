#!/usr/bin/env bash
# brenvaldor.exe as a technician runs it on Windows, under Wine, against brenvaldor-sim on a
# pseudo-terminal that the Wine prefix sees as COM<BF_TEST_COM> (scripts/wine-run --sim --host).
#   check_windows_cli.sh CASE BRENVALDOR.EXE FIRMWARE.hex
# CASE: operations (update, backup, verify, --json, port names: a controller that answers),
# refused (one that refuses every write frame as not empty), silent (one that answers nothing),
# interrupt (one that takes its time on the wire, stopped by Ctrl-C).
set -euo pipefail
case=${1:?usage: check_windows_cli.sh CASE BRENVALDOR.EXE FIRMWARE.hex}
program=${2:?usage: check_windows_cli.sh CASE BRENVALDOR.EXE FIRMWARE.hex}
firmware=${3:?usage: check_windows_cli.sh CASE BRENVALDOR.EXE FIRMWARE.hex}
port=COM${BF_TEST_COM:?run through scripts/wine-run --sim}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# File names as a technician's: not ASCII, in a folder that is not either; the program gets them
# relative to its current folder.
folder="Prüfstand"
mkdir "$work/$folder"
cp "$firmware" "$work/$folder/übung.hex"
cd "$work"

faults=0
fail() {
    echo "FAIL: $*"
    faults=$((faults + 1))
}

# run EXPECTED-STATUS ARGS...: runs brenvaldor.exe, its output in out and err.
run() {
    local expected=$1 status=0
    shift
    wine "$program" "$@" >out 2>err || status=$?
    [ "$status" -eq "$expected" ] || fail "brenvaldor $* exited with $status, not $expected: $(cat err)"
}

expect_out() {
    grep -qF -- "$1" out || fail "the output lacks '$1': $(cat out)"
}

case "$case" in
operations)
    run 0 update "$folder/übung.hex" --port "$port" --baud 57600
    expect_out "HEX FILE: ÜBUNG.HEX"
    expect_out "CHECKSUM OK"
    expect_out "SERIAL PORT CLOSED"
    [ ! -s err ] || fail "an update that succeeds writes no error: $(cat err)"

    # The flash as the update left it, from 0x4000 on, is what the file converts to.
    run 0 backup "$folder/Sicherung" --port "$port" --baud 57600
    run 0 convert "$folder/übung.hex" "$folder/übung.bin"
    [ -f "$folder/Sicherung.bin" ] || fail "the backup is not in $folder"
    cmp -s -i 16384 "$folder/Sicherung.bin" "$folder/übung.bin" || fail "the backup differs from the file"

    run 0 verify "$folder/übung.hex" --port "$port" --wait 5
    # --wait looks for the port until it opens, and gives up on one that never appears.
    run 1 verify "$folder/übung.hex" --port COM99 --wait 0.5
    grep -qF '\\.\COM99 did not appear within the --wait time' err || fail "--wait: $(cat err)"
    # One byte of the firmware changed: its sector differs.
    size=$(stat -c %s "$folder/Sicherung.bin")
    offset=$( (cmp -l "$folder/Sicherung.bin" <(head -c "$size" /dev/zero | tr '\0' '\377') || true) |
        awk '$1 > 16384 { print $1 - 1; exit }')
    cp "$folder/Sicherung.bin" changed.bin
    printf '\x00' | dd of=changed.bin bs=1 seek="$offset" conv=notrunc status=none
    run 10 verify changed.bin --port "$port"

    run 0 update "$folder/übung.hex" --port "\\\\.\\$port" --json
    # One object on one line (the console's line end is CR LF).
    grep -qE $'^\\{.*"command":"update".*\\}\r?$' out || fail "--json prints one object: $(cat out)"
    for key in command port baud result message log elapsed_s output; do
        grep -q "\"$key\":" out || fail "--json lacks $key"
    done

    run 64 update "$folder/übung.hex" --port /dev/ttyUSB0
    grep -qF 'give COM1 to COM255' err || fail "a POSIX path is refused with the Windows names: $(cat err)"
    run 64 verify "$folder/übung.hex" --port COM256
    run 0 ports
    [ "$(wc -l <out)" -eq 28 ] || fail "ports lists COM1 to COM28: $(cat out)"
    ;;
refused)
    run 5 update "$folder/übung.hex" --port "$port"
    ;;
silent)
    run 1 update "$folder/übung.hex" --port "$port"
    run 1 backup "$folder/Sicherung" --port "$port"
    [ -z "$(ls "$folder" | grep -v übung.hex)" ] || fail "a failed backup leaves files: $(ls "$folder")"
    ;;
interrupt)
    # Wine hands a SIGINT sent to the program's process on as Ctrl-C.
    for command in update backup; do
        target="$folder/übung.hex"
        [ "$command" = backup ] && target="$folder/Sicherung"
        wine "$program" "$command" "$target" --port "$port" >out 2>err &
        pid=$!
        for ((i = 0; i < 300; i++)); do
            grep -q "UPDATE PROGRAM\|BACKUP PROGRAM" out && break
            sleep 0.1
        done
        sleep 0.5
        kill -INT "$pid"
        status=0
        wait "$pid" || status=$?
        [ "$status" -eq 130 ] || fail "$command stopped by Ctrl-C exited with $status, not 130: $(cat err)"
        grep -qF "interrupted; the serial port is closed" err || fail "$command: $(cat err)"
    done
    [ -z "$(ls -A "$folder" | grep -v übung.hex)" ] || fail "an interrupted backup leaves files: $(ls -A "$folder")"
    ;;
*)
    echo "unknown case $case" >&2
    exit 2
    ;;
esac
[ "$faults" -eq 0 ] && echo "brenvaldor.exe: $case as expected"
exit "$faults"
