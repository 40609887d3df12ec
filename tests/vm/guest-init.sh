#!/bin/busybox sh
# SPDX-License-Identifier: GPL-3.0-or-later
# /init of the test virtual machine (busybox sh as process 1). Runs the program's commands on the
# sysfs road, then with /sys unmounted (the raw road: /dev/port and /dev/mem), as root and as an
# ordinary user whose program reaches the access helper through a stand-in pkexec, and on a q35
# machine also the test build with its display device shown as a card of the maker. Prints plain
# facts as "RZVM ..." lines on the serial console; check-vm-log.sh on the host judges them.
/bin/busybox --install -s /bin
export PATH=/usr/bin:/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
chown 0:0 /usr/bin/pkexec && chmod 4755 /usr/bin/pkexec
chown -R 1000:1000 /home/user
chmod 1777 /tmp
mkdir -p /root

limit=60  # seconds for one command
for word in $(cat /proc/cmdline); do
  case $word in
    rzvm.card=*) card=${word#*=} ;;              # the slot the test build shows as a card
    rzvm.cardusers=*) cardusers=${word#*=} ;;    # who runs it on the sysfs road: root,user
    rzvm.name=*) name=${word#*=} ;;
  esac
done
say() { echo "RZVM $*"; }
now() { cut -d' ' -f1 /proc/uptime; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
say "machine $name up at $(now) s (kernel $(uname -r))"

size() {  # a byte count as 16M, 4K or bytes
  if [ $(($1 % 1048576)) -eq 0 ]; then echo $(($1 / 1048576))M
  elif [ $(($1 % 1024)) -eq 0 ]; then echo $(($1 / 1024))K
  else echo "$1"; fi
}

# The machine's own device list: ids, class, subsystem, the BARs (index:kind:size).
devices() {
  for d in /sys/bus/pci/devices/*; do
    bars= i=0
    while read -r start end flags && [ $i -lt 6 ]; do
      if [ $((start)) -ne 0 ]; then
        kind=io; [ $((flags & 0x200)) -ne 0 ] && kind=mem
        bars="$bars $i:$kind:$(size $((end - start + 1)))"
      fi
      i=$((i + 1))
    done <"$d/resource"
    say "dev ${d##*/0000:} $(cut -c3- "$d/vendor"):$(cut -c3- "$d/device") class=$(cut -c3- "$d/class")" \
      "sub=$(cut -c3- "$d/subsystem_vendor"):$(cut -c3- "$d/subsystem_device") bars=${bars# }"
  done
}

# Every device's whole configuration space, as root, into /tmp/cfg/<stage>.
snap() {
  mkdir -p "/tmp/cfg/$1"
  for d in /sys/bus/pci/devices/*; do cat "$d/config" >"/tmp/cfg/$1/${d##*/}"; done
}
# One line: how many devices and bytes were compared with the first snapshot, and any change.
compare() {
  snap "$1"
  n=0 bytes=0 changed=
  for f in /tmp/cfg/before/*; do
    n=$((n + 1)) bytes=$((bytes + $(wc -c <"$f")))
    cmp -s "$f" "/tmp/cfg/$1/${f##*/}" || changed="$changed ${f##*/0000:}($(cmp "$f" "/tmp/cfg/$1/${f##*/}" 2>&1 | head -n 1))"
  done
  say "cfg after-$1 devices=$n bytes=$bytes changed=${changed:-none}"
}

# run KEY ROAD WHO [VAR=value...] PROGRAM ARGS...: one command with a time limit, in a folder of
# its own, as root or as the ordinary user; its exit status, time and output lines.
run() {
  key=$1 road=$2 who=$3
  shift 3
  dir=/tmp/$road-$who-$key
  mkdir -p "$dir"
  t=$(now)
  if [ "$who" = user ]; then
    chown 1000:1000 "$dir"
    su user -c "cd $dir && HOME=/home/user timeout $limit env $* >out 2>err"
  else
    (cd "$dir" && HOME=/root timeout $limit env "$@" >out 2>err)
  fi
  rc=$?
  say "cmd $key $road $who exit=$rc time=$(since "$t")"
  sed 's/^/RZVM out /' "$dir/out"
  sed 's/^/RZVM err /' "$dir/err"
  for f in "$dir"/*.rom; do [ -e "$f" ] && say "left $key $road $who ${f##*/}"; done
  [ -f "$dir/log" ] && sed 's/^/RZVM log /' "$dir/log"
  return 0
}

# The four commands, and the test build's record of its scan.
commands() {
  for who in root user; do
    run adapters "$1" $who rzflash-cli adapters
    run json-adapters "$1" $who rzflash-cli --json adapters
    run info "$1" $who rzflash-cli info
    run save "$1" $who rzflash-cli save backup.rom
    run scan "$1" $who RZFLASH_TEST_LOG=log rzflash-cli-testcard adapters
  done
}

# The registers the programmed road touches, in the card's BAR0 (a framebuffer here).
regs="0x200 0x1850 0xC040 0xE204 0x101000"
seed() {
  for r in $regs; do
    case $r in 0x200) v=0 ;; 0xC040) v=0x3000ABCD ;; 0x101000) v=0 ;; *) v=0x5A5A5A5A ;; esac
    devmem $((bar0 + r)) 32 $v
  done
}
show() {
  line=
  for r in $regs; do line="$line $r=$(devmem $((bar0 + r)) 32)"; done
  say "regs $1${line}"
}
cardrun() {  # cardrun ROAD WHO
  seed
  show "$1-$2-before"
  for step in json-adapters info save; do
    case $step in json-adapters) args="--json adapters" ;; info) args="--answer yes info" ;;
      save) args="--answer yes save card.rom" ;; esac
    run card-$step "$1" "$2" RZFLASH_TEST_CARD=$card RZFLASH_TEST_LOG=log rzflash-cli-testcard $args
    [ $step = json-adapters ] || show "$1-$2-after-$step"
  done
}

devices
snap before
commands sysfs
t=$(now)
su user -c "rzvm-handed-files >/tmp/files 2>&1"
say "cmd files sysfs user exit=$? time=$(since "$t")"
sed 's/^/RZVM file /' /tmp/files
compare sysfs
if [ -n "$card" ]; then
  say "card $card"
  bar0=$(($(head -n 1 "/sys/bus/pci/devices/0000:$card/resource" | cut -d' ' -f1)))
  for who in $(echo "$cardusers" | tr , ' '); do cardrun sysfs $who; done
  compare card-sysfs
fi
umount /sys
commands raw
[ -n "$card" ] && cardrun raw root
mount -t sysfs sysfs /sys
compare raw
say "end at $(now) s"
poweroff -f
