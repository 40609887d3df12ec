#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Linux build inside QEMU virtual machines on Debian's own kernel (TCG: these machines' KVM
# does not boot a stock guest). Takes the kernel out of the linux-image-amd64 package without
# installing it (cached under --work), packs an initramfs with busybox, the programs, their
# shared libraries and data, and guest-init.sh as /init, boots two machines (QEMU's VGA and
# ati-vga on a PC; virtio-vga behind a PCIe root port on a q35; on each one display device is
# shown to the test build as a card of the maker) and checks what each printed on its serial console with check-vm-log.sh.
# Exit 77 (a skip) only when the kernel package cannot be downloaded.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
declare -A arg
while (($#)); do arg[${1#--}]=$2; shift 2; done
for k in cli cli-testcard access files-probe pkexec data work; do
  [ -n "${arg[$k]:-}" ] || { echo "run-vm-test: --$k is needed" >&2; exit 2; }
done
work=${arg[work]}
cache=$work/cache
vm_limit=${RZFLASH_VM_LIMIT:-300}  # seconds for one machine, boot to power-off
t0=$(date +%s.%N)
elapsed() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }

# Debian's kernel: the metapackage names the image package; only vmlinuz is kept.
fetch_kernel() {
  [ -s "$cache/vmlinuz" ] && return 0
  local dl=$cache/download
  rm -rf "$dl" && mkdir -p "$dl"
  (cd "$dl" && apt-get download -q linux-image-amd64) >"$dl/log" 2>&1 || return 1
  local image
  image=$(dpkg-deb -f "$dl"/linux-image-amd64_*.deb Depends | sed 's/ *(.*//; s/,.*//')
  (cd "$dl" && apt-get download -q "$image") >>"$dl/log" 2>&1 || return 1
  dpkg-deb --fsys-tarfile "$dl/$image"_*.deb | tar -x -C "$dl" --wildcards './boot/vmlinuz-*'
  mv "$dl"/boot/vmlinuz-* "$cache/vmlinuz"
  echo "$image" >"$cache/kernel-package"
  rm -rf "$dl"
}
mkdir -p "$cache"
if ! fetch_kernel; then
  echo "vm test skipped: Debian's kernel package could not be downloaded (no network?):"
  tail -n 3 "$cache/download/log" 2>/dev/null || true
  exit 77
fi
command -v qemu-system-x86_64 >/dev/null || { echo "qemu-system-x86_64 missing: run scripts/setup.sh" >&2; exit 1; }
echo "kernel: $(cat "$cache/kernel-package" 2>/dev/null || echo cached) (fetched or cached in $(elapsed "$t0") s)"

# The initramfs: the installed layout (/usr/bin, /usr/libexec/rzflash, /usr/share/rzflash).
root=$work/root
rm -rf "$root" && mkdir -p "$root"/{bin,usr/bin,usr/libexec/rzflash,usr/share/rzflash,etc,proc,sys,dev,tmp,run,home/user}
cp /bin/busybox "$root/bin/busybox"
cp "${arg[cli]}" "${arg[cli-testcard]}" "${arg[files-probe]}" "$root/usr/bin/"
cp "${arg[access]}" "$root/usr/libexec/rzflash/rzflash-access"
cp "${arg[pkexec]}" "$root/usr/bin/pkexec"
cp "${arg[data]}/RZFLASH.CFG" "${arg[data]}/HELP.CHM" "$root/usr/share/rzflash/"
for exe in "${arg[cli]}" "${arg[cli-testcard]}" "${arg[access]}" "${arg[files-probe]}" "${arg[pkexec]}"; do
  ldd "$exe" | awk '/=> \// { print $3 } $1 ~ /^\// { print $1 }'
done | sort -u | while read -r lib; do cp -L --parents "$lib" "$root"; done
printf 'root:x:0:0:root:/root:/bin/sh\nuser:x:1000:1000:user:/home/user:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\nuser:x:1000:\n' >"$root/etc/group"
cp "$here/guest-init.sh" "$root/init"
chmod 755 "$root/init"
(cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null) | gzip -1 >"$work/initrd.gz"
echo "initramfs: $(du -k "$work/initrd.gz" | cut -f1) KiB"

# One machine: its serial console into $work/<name>.log, cut off after $vm_limit seconds.
boot() {
  local name=$1 append=$2
  shift 2
  local t=$(date +%s.%N) status=0
  timeout "$vm_limit" qemu-system-x86_64 -accel tcg -m 512 -nodefaults -display none \
    -no-reboot -serial "file:$work/$name.log" -kernel "$cache/vmlinuz" -initrd "$work/initrd.gz" \
    -append "console=ttyS0 quiet loglevel=1 panic=-1 rzvm.name=$name $append" "$@" || status=$?
  echo "machine $name: $(elapsed "$t") s wall, qemu exit $status"
}
# ati-vga has a 16 MiB BAR0 and, being ATI's, its files are handed to an ordinary user
# read-write; virtio-vga has a PCI Express capability of its own and an 8 MiB BAR0.
boot pc "rzvm.card=00:03.0 rzvm.cardusers=root,user" -M pc -device VGA -device ati-vga
boot q35 "rzvm.card=01:00.0 rzvm.cardusers=root" -M q35 -device pcie-root-port,id=rp1,bus=pcie.0,chassis=1 \
  -device virtio-vga,bus=rp1
status=0
bash "$here/check-vm-log.sh" "$work/pc.log" "$work/q35.log" || status=$?
echo "vm test total: $(elapsed "$t0") s"
exit $status
