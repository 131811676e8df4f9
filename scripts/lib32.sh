# The 32-bit run: the i686 tree's tests under 32-bit Wine. Where the kernel
# runs 32-bit programs they run directly; otherwise in a small Linux guest
# under QEMU's software CPU that sees the host's files read-only and has
# 32-bit Wine added in its own memory. Sourced after lib.sh, not run.

GUEST=$BUILD/guest
# How long the guest may take, boot to power-off, before it is stopped.
GUEST_TIMEOUT=${VANTREL_GUEST_TIMEOUT:-2700}

# The loader of 32-bit programs is there (libc6:i386 comes with
# libwine:i386), so this asks the kernel, not the package list.
# VANTREL_GUEST=1 takes the guest all the same, as on a kernel without
# 32-bit support.
host_runs_32bit() {
  [ "${VANTREL_GUEST:-}" != 1 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# libwine:i386 and its libraries are wanted either way: 32-bit Wine runs
# them from the host's files, directly or in the guest. wine32:i386 itself
# is never installed: it would make the machine's `wine` take the 32-bit
# loader for everything (on a kernel without 32-bit support every 64-bit
# program then fails). Its loader is unpacked into the tree instead; where
# the machine already has wine32:i386, that one is used.
ensure_packages32() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding the i386 architecture"
    as_root dpkg --add-architecture i386
    as_root apt-get update -q
  fi
  install_missing libwine:i386
  host_runs_32bit || install_missing qemu-system-x86 busybox-static
  wine32_installed || unpack_wine32
}

# wine32:i386's two files (the loader and wineserver32), at the version of
# the installed libwine:i386, unpacked into the tree. The loader looks for
# the rest of Wine relative to itself: links lead it to the host's.
unpack_wine32() {
  local version tmp dir=$WINE32_UNPACKED
  version=$(dpkg-query -W -f='${Version}' libwine:i386)
  [ "$(cat "$dir/version" 2>/dev/null)" = "$version" ] && return 0
  log "unpacking 32-bit Wine $version (wine32:i386, not installed) into $dir"
  tmp=$(mktemp -d)
  (
    set -e
    cd "$tmp"
    # As root, apt's own user could not write here.
    local sandbox=()
    [ "$(id -u)" = 0 ] && sandbox=(-o APT::Sandbox::User=root)
    timeout 600 apt-get "${sandbox[@]}" download -qq "wine32:i386=$version"
    dpkg-deb -x wine32_*.deb unpacked
    ln -s /usr/lib/i386-linux-gnu unpacked/usr/lib/i386-linux-gnu
    mkdir -p unpacked/usr/share
    ln -s /usr/share/wine unpacked/usr/share/wine
    ln -s /usr/lib/wine/wineserver unpacked/usr/lib/wine/wineserver
    echo "$version" >unpacked/version
  ) || { rm -rf "$tmp"; echo "could not unpack wine32:i386 $version" >&2; return 1; }
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  mv "$tmp/unpacked" "$dir"
  rm -rf "$tmp"
}

build_all32() {
  log "building the 32-bit tree (deliverables, tools and tests)"
  build_tree i686 mingw-i686.cmake "$ROOT"
}

# The guest's kernel and its initramfs, in build/guest. Built again only
# when one of its inputs changes: the kernel package the archive names or
# init. 32-bit Wine is the unpacked one, which the guest sees in the tree.
GUEST_MODULES="virtio_ring virtio virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci
  netfs fscache 9pnet 9pnet_virtio 9p overlay"
build_guest() {
  local kernel stamp tmp
  guest_stamp() { echo "$1 init=$(sha256sum "$ROOT/scripts/guest/init" | cut -c1-16)"; }
  kernel=$(cat "$GUEST/kernel-package" 2>/dev/null || true)
  if [ -n "$kernel" ] && [ -f "$GUEST/initrd.img" ] &&
    [ "$(cat "$GUEST/stamp" 2>/dev/null)" = "$(guest_stamp "$kernel")" ]; then
    return 0
  fi
  kernel=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -1)
  [ -n "$kernel" ] || { echo "no kernel package behind linux-image-amd64" >&2; return 1; }
  stamp=$(guest_stamp "$kernel")
  log "building the guest ($stamp)"
  tmp=$(mktemp -d)
  (
    set -e
    cd "$tmp"
    # As root, apt's own user could not write here.
    local sandbox=()
    [ "$(id -u)" = 0 ] && sandbox=(-o APT::Sandbox::User=root)
    timeout 600 apt-get "${sandbox[@]}" download -qq "$kernel"
    mkdir -p k initrd/bin initrd/modules initrd/dev initrd/proc initrd/sys
    dpkg-deb --fsys-tarfile "$kernel"_*.deb |
      tar -x -C k --wildcards './boot/vmlinuz-*' './lib/modules/*/kernel/drivers/virtio/*' \
        './lib/modules/*/kernel/fs/9p/*' './lib/modules/*/kernel/fs/netfs/*' \
        './lib/modules/*/kernel/fs/fscache/*' './lib/modules/*/kernel/fs/overlayfs/*' \
        './lib/modules/*/kernel/net/9p/*'
    for m in $GUEST_MODULES; do
      find k/lib/modules -name "$m.ko" -exec cp {} initrd/modules/ \;
      [ -f "initrd/modules/$m.ko" ] || { echo "the kernel package has no $m.ko" >&2; exit 1; }
    done
    cp /bin/busybox initrd/bin/busybox
    cp "$ROOT/scripts/guest/init" initrd/init
    chmod 755 initrd/init initrd/bin/busybox
    # The same bytes for the same inputs.
    find initrd -exec touch -h -d @0 {} +
    (cd initrd && find . | LC_ALL=C sort | busybox cpio -o -H newc 2>/dev/null) | gzip -n -9 >initrd.img
  ) || { rm -rf "$tmp"; return 1; }
  rm -rf "$GUEST"
  mkdir -p "$GUEST"
  cp "$tmp"/k/boot/vmlinuz-* "$GUEST/vmlinuz"
  cp "$tmp/initrd.img" "$GUEST/initrd.img"
  echo "$kernel" >"$GUEST/kernel-package"
  echo "$stamp" >"$GUEST/stamp"
  rm -rf "$tmp"
}

# One boot of the guest, which runs the share's run.sh and powers off.
# Fails when it has not booted within the given seconds; a guest that runs
# longer than GUEST_TIMEOUT is stopped.
boot_guest() { # results-folder accelerator boot-seconds
  local results=$1 accel=$2 deadline=$3 qemu rc=0 start
  start=$(date +%s)
  rm -f "$results/booted"
  # No SMAP/PKU in the CPU model: with them 32-bit Wine's first process
  # dies in the guest kernel under the software CPU. The guest runs nothing
  # but these tests, so it goes without the kernel's side-channel
  # mitigations: their page-table switch on every system call made the
  # software CPU's Wine almost twice as slow. On a busy host the software
  # CPU can miss the kernel's early check of the timer interrupt, which
  # then panics ("IO-APIC + timer doesn't work"): no_timer_check skips it.
  nice -n "${GUEST_NICE:-0}" timeout -k 20 "$GUEST_TIMEOUT" qemu-system-x86_64 -accel "$accel" -cpu Nehalem -smp 2 -m 4096 \
    -display none -monitor none -serial stdio -no-reboot \
    -kernel "$GUEST/vmlinuz" -initrd "$GUEST/initrd.img" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 mitigations=off no_timer_check vantrel_share=$results" \
    -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap \
    -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
    -fsdev local,id=share,path="$results",security_model=none \
    -device virtio-9p-pci,fsdev=share,mount_tag=share </dev/null &
  qemu=$!
  while kill -0 "$qemu" 2>/dev/null; do
    if [ ! -e "$results/booted" ] && [ $(($(date +%s) - start)) -gt "$deadline" ]; then
      echo "the guest did not boot in $deadline s" >&2
      kill "$qemu"
      break
    fi
    sleep 1
  done
  wait "$qemu" || rc=$?
  [ "$rc" = 124 ] && echo "the guest did not finish in $GUEST_TIMEOUT s" >&2
  [ -e "$results/booted" ]
}

# Runs scripts/guest/tests32 where 32-bit Wine can run and leaves its
# results (ctest.log, rc) in the given folder. Returns non-zero when the run
# did not finish: no boot, a guest that hung, a prefix or card that failed.
# Whether the tests passed is in rc.
GUEST_BOOT_TIMEOUT=${VANTREL_GUEST_BOOT_TIMEOUT:-300}
run_tests32() { # results-folder
  local results=$1
  rm -rf "$results"
  mkdir -p "$results"
  if host_runs_32bit; then
    "$ROOT/scripts/guest/tests32" "$results"
    [ -f "$results/rc" ]
    return
  fi
  case "$ROOT$BUILD$results" in
    *[[:space:]]*) echo "the guest needs paths without spaces: $results" >&2; return 1 ;;
  esac
  build_guest || return 1
  # What the guest runs once it is up; it sees the same paths as the host.
  cat >"$results/run.sh" <<RUN
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
export BUILD='$BUILD' CI='${CI:-}'
cd '$ROOT'
: >'$results/booted'
exec /bin/bash '$ROOT/scripts/guest/tests32' --guest '$results'
RUN
  # KVM where it proves to work: on some machines with /dev/kvm the guest
  # hangs right after the BIOS, which is remembered. The software CPU
  # otherwise.
  local kvm=$GUEST/kvm-hangs
  if [ -w /dev/kvm ] && [ ! -e "$kvm" ]; then
    log "booting the guest with KVM (at most $GUEST_TIMEOUT s)"
    boot_guest "$results" kvm 30 || {
      echo "the guest did not boot with KVM; the software CPU it is" >&2
      : >"$kvm"
    }
  fi
  # A guest that did not come up (a kernel that stopped early on a busy
  # host) gets one more try.
  local try
  for try in 1 2; do
    [ -e "$results/booted" ] && break
    log "booting the guest (software CPU; at most $GUEST_TIMEOUT s)"
    boot_guest "$results" tcg,thread=multi "$GUEST_BOOT_TIMEOUT" && break
  done
  # A prefix the guest made, for the next guests to start from.
  if [ -f "$results/wineprefix32.tar" ]; then
    rm -rf "$TESTS_WINEPREFIX32"
    mkdir -p "$TESTS_WINEPREFIX32"
    tar -xf "$results/wineprefix32.tar" -C "$TESTS_WINEPREFIX32" && rm -f "$results/wineprefix32.tar"
  fi
  [ -e "$results/booted" ] || { echo "the guest did not boot" >&2; return 1; }
  [ -f "$results/rc" ] || { echo "the guest ended before its tests did" >&2; return 1; }
}

# What scripts/package checks: the deliverables the 32-bit suite last
# passed with, or nothing after a failed run.
TESTED32=$BUILD/i686/passed-32bit.sha256
record_tested32() { # exit-code-of-the-run
  rm -f "$TESTED32"
  [ "$1" = 0 ] || return 0
  (cd "$BUILD/i686/bin" && sha256sum Quillan.dll Serrafin.dll Morvask.exe) >"$TESTED32"
}
