#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Judges what the test machines printed (guest-init.sh's "RZVM" lines on their serial consoles)
# and prints a compact account: the devices, each command with its exit status and time, the
# configuration-space comparisons, then every check that failed. Exit 1 when one did.
set -uo pipefail
held=0 failed=0
check() {  # check CONDITION-STATUS TEXT: counts a check, prints it when it failed
  if [ "$1" -eq 0 ]; then held=$((held + 1)); else failed=$((failed + 1)); echo "  FAILED: $2"; fi
}
has() { grep -qxF -- "$1" <<<"$2"; }

# The program's own texts for a machine without a card of the maker (tests/e2e say the same).
no_card="rzflash-cli: no display adapter of the maker or of ATI was found"
no_card_box="Error: No Card Found"  # the message box, on standard output
not_saved="rzflash-cli: nothing was saved: no display adapter of the maker or of ATI was found"
unknown_chip="rzflash-cli: the card's EEPROM answered with ids this program does not know, or could not be reached (see any messages above); its BIOS cannot be saved or flashed"
no_driver="Initialize DODozori Fail!!!"
not_root="not running as root: raw port and memory access needs root (run it with sudo)"

# Lines of one command: out/err/log after its "cmd KEY ROAD WHO" line up to the next command.
section() {  # section KEY ROAD WHO KIND
  awk -v head="RZVM cmd $1 $2 $3 " -v kind="RZVM $4 " '
    index($0, "RZVM cmd ") == 1 { on = index($0, head) == 1; next }
    index($0, "RZVM regs ") == 1 || index($0, "RZVM cfg ") == 1 { on = 0 }
    on && index($0, kind) == 1 { print substr($0, length(kind) + 1) }' <<<"$log"
}
exit_of() { grep -m1 "^RZVM cmd $1 $2 $3 " <<<"$log" | sed 's/.* exit=\([0-9]*\).*/\1/'; }

expect_run() {  # expect_run KEY ROAD WHO STATUS TEXT-ON-STDERR
  local got
  got=$(exit_of "$1" "$2" "$3")
  check "$([ "$got" = "$4" ] && echo 0 || echo 1)" "$m $2 $3 $1: exit $got, expected $4"
  [ -z "$5" ] || { has "$5" "$(section "$1" "$2" "$3" err)"; check $? "$m $2 $3 $1: stderr lacks \"$5\""; }
  ! grep -q "^RZVM left $1 $2 $3 " <<<"$log"
  check $? "$m $2 $3 $1: a file was left behind"
}

for file in "$@"; do
  log=$(tr -d '\r' <"$file")
  m=$(sed -n 's/^RZVM machine \([^ ]*\) .*/\1/p' <<<"$log")
  m=${m:-$(basename "$file" .log)}
  echo "== machine $m: $(sed -n 's/^RZVM machine [^ ]* //p' <<<"$log")"
  grep -q '^RZVM end at' <<<"$log"
  check $? "$m: the machine did not reach its end (hang, crash or time limit); log tail: $(tail -n 3 "$file" | tr '\n' '|')"
  devices=$(sed -n 's/^RZVM dev //p' <<<"$log")
  sed 's/^/  /' <<<"$devices"
  grep '^RZVM cmd ' <<<"$log" | awk '{ printf "  %-20s %-5s %-4s %s %s\n", $3, $4, $5, $6, $7 }'
  sed -n 's/^RZVM \(cfg\|regs\) /  \1 /p' <<<"$log"
  grep -q '^RZVM cfg ' <<<"$log"
  check $? "$m: no configuration-space comparison"
  ! grep '^RZVM cfg ' <<<"$log" | grep -qv 'changed=none$'
  check $? "$m: a configuration space changed"
  # No device has a subsystem of the maker or of ATI, so no command finds a card.
  ! grep -Eq 'sub=(1e5a|1002):' <<<"$devices"
  check $? "$m: a device carries the maker's or ATI's subsystem vendor; the expectations below do not hold"

  # The scan: every slot of the machine's list that a function-0 scan reaches.
  want=$(awk '$1 ~ /\.0$/ { print $1 }' <<<"$devices" | sort)
  for road in sysfs raw; do
    for who in root user; do
      [ "$road/$who" = raw/user ] && continue
      got=$(section scan $road $who log | sed -n 's/^scan //p' | sort)
      [ "$got" = "$want" ]
      check $? "$m $road $who: the scan found [$(echo $got)], the machine lists [$(echo $want)]"
      expect_run adapters $road $who 1 "$no_card"
      expect_run json-adapters $road $who 1 ""
      grep -q '"adapters": *\[\]' <<<"$(section json-adapters $road $who out)"
      check $? "$m $road $who: --json adapters does not list an empty adapters array"
      expect_run info $road $who 1 "$no_card"
      for key in info save; do
        has "$no_card_box" "$(section $key $road $who out)"
        check $? "$m $road $who $key: no \"$no_card_box\" message"
      done
      expect_run save $road $who 1 "$not_saved"
    done
  done
  # An ordinary user has no raw road: the helper hands over no files once /sys is gone.
  for key in adapters json-adapters info save scan; do
    expect_run $key raw user 3 "$not_root"
    has "$no_driver" "$(section $key raw user out; section $key raw user err)"
    check $? "$m raw user $key: no \"$no_driver\" message"
  done

  # The helper's files: every device's config; read-write only for NVIDIA and ATI display
  # devices, with their memory BARs; what was announced is what the descriptor allows.
  check "$([ "$(exit_of files sysfs user)" = 0 ] && echo 0 || echo 1)" "$m: the helper's files could not be listed"
  files=$(grep '^RZVM file ' <<<"$log" | cut -d' ' -f3-)
  want_files=$(awk '{ split($2, id, ":"); w = ($3 ~ /^class=03/ && (id[1] == "10de" || id[1] == "1002"))
                      print "0000:" $1 " config " (w ? "w w" : "r r")
                      if (w) for (i = 5; i <= NF; i++) { split($i, b, ":")
                        if (b[2] == "mem") print "0000:" $1 " resource" substr(b[1], length(b[1])) " w w" } }' \
                 <<<"$(sed 's/bars=//' <<<"$devices")" | sort)
  [ "$(sort <<<"$files")" = "$want_files" ]
  check $? "$m: the helper handed over [$(echo $files)], expected [$(echo $want_files)]"
  echo "  helper's files: $(grep -c ' w w$' <<<"$files") read-write, $(grep -c ' r r$' <<<"$files") read-only"

  grep -q '^RZVM cmd card-' <<<"$log" || continue
  # The disguised display device: listed, mapped within its BAR0 on both roads, no chip known,
  # the registers the program restores restored.
  card=$(sed -n 's/^RZVM card //p' <<<"$log")
  bar0=$(awk -v slot="$card" '$1 == slot { sub(/bars=/, ""); for (i = 1; i <= NF; i++)
           if ($i ~ /^0:mem:[0-9]+M$/) { split($i, b, ":"); print b[3] } }' <<<"$devices")
  bar0_bytes=$((${bar0%M} * 1048576))
  check "$([ "$bar0_bytes" -gt 0 ] && echo 0 || echo 1)" "$m: the card's BAR0 is not a memory BAR of whole MiB"
  for run in $(grep '^RZVM cmd card-info ' <<<"$log" | awk '{ print $4 "/" $5 }'); do
    road=${run%/*} who=${run#*/}
    expect_run card-json-adapters $road $who 0 ""
    grep -q '"vendor_id": *"0x10DE"' <<<"$(section card-json-adapters $road $who out)"
    check $? "$m $road $who card: the disguised slot is not listed as an NVIDIA adapter"
    expect_run card-info $road $who 1 "$unknown_chip"
    expect_run card-save $road $who 1 ""
    maps=$(for key in card-info card-save; do section $key $road $who log; done | grep -E '^(map|vma) ')
    echo "  $road $who card maps: $(grep -c ' ok$' <<<"$maps") granted, $(grep -c ' refused$' <<<"$maps") refused; regions (count, bytes): $(grep '^vma' <<<"$maps" | cut -d' ' -f2 | sort | uniq -c | tr -s ' ' | tr '\n' ';')"
    ! grep -q ' refused$' <<<"$maps"
    check $? "$m $road $who card: a ROM-window map was refused on the ${bar0} BAR"
    longest=0
    for bytes in $(awk '$1 == "vma" { print $2 }' <<<"$maps"); do
      ((bytes > longest)) && longest=$((bytes))
    done
    ((longest <= bar0_bytes))
    check $? "$m $road $who card: a mapping of $((longest / 1048576)) MiB reaches past the ${bar0} BAR"
    before=$(sed -n "s/^RZVM regs $road-$who-before //p" <<<"$log")
    for stage in after-info after-save; do
      after=$(sed -n "s/^RZVM regs $road-$who-$stage //p" <<<"$log")
      for r in 0xC040 0x101000; do
        [ "$(tr ' ' '\n' <<<"$before" | grep "^$r=")" = "$(tr ' ' '\n' <<<"$after" | grep "^$r=")" ]
        check $? "$m $road $who card $stage: register $r changed ($before -> $after)"
      done
      grep -q '0x1850=0x00000001' <<<"$after"
      check $? "$m $road $who card $stage: PROM access is not off again ($after)"
      grep -Eq '0x200=0x..[13579BDF]' <<<"$after"
      check $? "$m $road $who card $stage: the window's enable bit 20 of 0x200 was not set ($after)"
    done
  done
done
echo "vm checks: $held held, $failed failed"
[ "$failed" -eq 0 ]
