#!/usr/bin/env bash
# corvane-cli.exe under Wine, end to end, on a real serial line: the Linux emulator on a
# pseudo-terminal, mapped as COM5 of the Wine prefix, read by corvane-cli.exe as "Com 5".
# Checks that a READ gives the same file as the Linux corvane-cli, that the monitor stream
# flows, that a cable pulled in the middle of a READ leaves the file that was there whole and a
# READ after the plug works, that a file name outside ASCII, given with '\' between folders, is
# saved under that name with WRITE's backup in %LOCALAPPDATA%\Corvane, that a backup that
# cannot be made stops the WRITE, and that a disk that fills up during a save (a file size
# limit) leaves the old file whole and no temporary file behind.
#
#   cli_under_wine.sh WINE CORVANE_CLI_EXE HOST_TOOLS_DIR     (WINEPREFIX set by the caller)
set -u
wine=$1
cli_exe=$2
host=$3
: "${WINEPREFIX:?the Wine prefix}"

work=$(mktemp -d)
passed=0
failed=0
check() {  # check NAME COMMAND...
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
  fi
}
sim=
cleanup() {
  exec 3>&- 2>/dev/null
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  rm -f "$WINEPREFIX/dosdevices/com5"
  rm -rf "$work"
}
trap cleanup EXIT

# The emulator, its commands fed through a fifo that this script keeps open.
mkfifo "$work/sim-in"
"$host/corvane-sim" --pty <"$work/sim-in" >"$work/sim-out" 2>"$work/sim-err" &
sim=$!
exec 3>"$work/sim-in"
device=
for _ in $(seq 100); do
  device=$(head -n 1 "$work/sim-out" 2>/dev/null)
  [ -n "$device" ] && break
  sleep 0.1
done
if [ -z "$device" ]; then
  echo "corvane-sim did not start:"
  cat "$work/sim-err"
  exit 1
fi
ln -sfn "$device" "$WINEPREFIX/dosdevices/com5"
cd "$work"
win() { "$wine" "$cli_exe" "$@"; }
crlf() { tr -d '\r'; }

# READ: the same bytes as the Linux tool.
"$host/corvane-cli" read --port "$device" --yes linux.crv >linux-read.txt 2>&1
t0=$(date +%s%N)
win read --port "Com 5" --yes wine.crv >wine-read.txt 2>&1
read_status=$?
read_ms=$(( ($(date +%s%N) - t0) / 1000000 ))
echo "READ under Wine: exit $read_status, $read_ms ms"
check "READ on Com 5 exits 0" test "$read_status" -eq 0
check "READ on Com 5 gives the Linux tool's bytes" cmp -s linux.crv wine.crv

# The monitor stream: 50 packets, with the columns the EGO sensor table beside the program adds.
"$host/corvane-cli" monitor --port "$device" --count 50 --csv 2>/dev/null | crlf >linux-monitor.csv
win monitor --port "Com 5" --count 50 --csv 2>wine-monitor.err | crlf >wine-monitor.csv
check "monitor streams 50 packets" test "$(wc -l <wine-monitor.csv)" -eq 51
check "monitor's columns match the Linux tool's (EGO table found beside the .exe)" \
  test "$(head -n 1 wine-monitor.csv)" = "$(head -n 1 linux-monitor.csv)"

# A cable pulled in the middle of a READ over a file that exists: the READ fails, the file is
# as it was; after the plug a READ works again.
printf 'not a map file' >kept.crv
cp kept.crv kept.before
win read --port "Com 5" --yes kept.crv >pull.txt 2>&1 &
reader=$!
sleep "$(awk -v ms="$read_ms" 'BEGIN { printf "%.2f", ms / 2000 }')"
echo pull >&3
wait "$reader"
pull_status=$?
echo plug >&3
echo "READ with the cable pulled: exit $pull_status: $(tr -d '\r' <pull.txt | tail -n 1)"
check "a READ cut by a pulled cable fails" test "$pull_status" -ne 0
check "the file the READ would replace is whole" cmp -s kept.crv kept.before
sleep 0.5
win read --port "Com 5" --yes kept.crv >plug.txt 2>&1
check "after the plug a READ works again" cmp -s kept.crv linux.crv

# A name outside ASCII with '\' between folders; WRITE's backup under %LOCALAPPDATA%\Corvane.
mkdir -p "sub folder"
name='Z'$'\xc3\xbc''ndung '$'\xe6\x9b\xb2\xe7\xb7\x9a''.crv'   # Zündung 曲線.crv
win read --port "Com 5" --yes "sub folder\\$name" >utf8-read.txt 2>&1
check "READ into a non-ASCII name behind '\\'" cmp -s "sub folder/$name" linux.crv
backups="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Corvane/backups"
before=$(ls "$backups" 2>/dev/null | wc -l)
win write --port "Com 5" --yes "sub folder\\$name" >utf8-write.txt 2>&1
write_status=$?
tr -d '\r' <utf8-write.txt | grep '^backup:' || true
check "WRITE from that file exits 0" test "$write_status" -eq 0
check "WRITE's backup lies in %LOCALAPPDATA%\\Corvane\\backups" test "$(ls "$backups" 2>/dev/null | wc -l)" -gt "$before"

# A backup that cannot be made (its folder would lie inside a file) stops the WRITE, --yes or not.
win write --port "Com 5" --yes --backup-dir "kept.before\\backups" "sub folder\\$name" >nobackup.txt 2>&1
nobackup_status=$?
check "a WRITE whose backup cannot be made stops (exit 3)" test "$nobackup_status" -eq 3
check "... and says how to go on without one" grep -q -- "--no-backup" nobackup.txt

# The disk fills up while a READ saves over an existing file: a file size limit makes the
# write fail part way (SIGXFSZ ignored, so the write call fails instead of the process dying).
cp linux.crv full.crv
(
  trap '' XFSZ
  ulimit -f 64
  win read --port "Com 5" --yes full.crv >full.txt 2>&1
)
full_status=$?
echo "READ onto a full disk: exit $full_status: $(tr -d '\r' <full.txt | tail -n 1)"
check "a save onto a full disk fails (exit 3)" test "$full_status" -eq 3
check "... and leaves the old file whole" cmp -s full.crv linux.crv
check "... and no temporary file" test -z "$(ls | grep '\.tmp-')"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
