#!/usr/bin/env bash
# Runs one command inside a QEMU guest booted from Debian 12's own kernel, so that hidraw,
# uhid and the ALSA sequencer are the real kernel code rather than a simulation.
#
# The host folder (the repository by default) is mounted in the guest at its own absolute
# path, so host-built binaries run unchanged. The guest's root file system is built once
# with debootstrap and cached outside the repository.
#
# Exit status: the command's own status (128 + signal when it was killed), or
#   77   the virtual machine cannot run here (no QEMU, no debootstrap, no mirror): skip;
#   125  the harness failed (the guest crashed, timed out or could not start the command).
set -euo pipefail

readonly EXIT_SKIP=77
readonly EXIT_HARNESS=125
# Bump when the way the root is built changes, so cached roots are rebuilt.
readonly ROOT_FORMAT=1
readonly EARLY_MODULES=(virtio virtio_pci 9p 9pnet_virtio netfs fscache overlay)

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)
cache=${QMT_VM_CACHE:-/var/cache/qmt-vm}
timeout_s=${QMT_VM_TIMEOUT:-900}
boot_timeout_s=${QMT_VM_BOOT_TIMEOUT:-120}
# The guest's memory in MiB; its root's changes (an installed package, say) live in it too.
memory_mb=${QMT_VM_MEMORY:-1024}
share=$repo
modules="uhid hid-generic snd-seq snd-seq-dummy"
build_only=0
check_only=0
rebuild=0
ctl=
qemu_pid=

usage() {
    cat <<EOF
usage: $(basename "$0") [options] [--] COMMAND [ARG...]
Runs COMMAND in a QEMU guest with a real Debian 12 kernel and returns its exit status.

  --check           only tell whether the guest can run here (status 0 or 77, with why)
  --build-only      build or refresh the cached guest image and stop
  --rebuild         throw the cached guest root away and build it again
  --share DIR       host folder mounted at the same path in the guest (default: $repo)
  --modules "M..."  kernel modules loaded before COMMAND (default: "$modules")
  --timeout SEC     stop the guest after SEC seconds (default: $timeout_s)

Environment: QMT_VM_CACHE (image cache, default /var/cache/qmt-vm), QMT_VM_MIRROR
(Debian mirror), QMT_VM_EXTRA_PACKAGES (more Debian packages, for an image of its own in
another QMT_VM_CACHE), QMT_VM_TIMEOUT, QMT_VM_BOOT_TIMEOUT (default 120 s, then one retry),
QMT_VM_MEMORY (MiB, default 1024),
QMT_VM_ACCEL=tcg (never try KVM), QMT_VM_VERBOSE=1 (show the guest kernel's boot
messages). Variables named GTEST_* and QMT_* reach the command.
Exit status 77 means the guest cannot run on this machine; 125 means the harness failed.
EOF
}

say() { echo "run-in-vm: $*" >&2; }
skip() {
    say "cannot run the virtual machine here: $*"
    exit $EXIT_SKIP
}
fail() {
    say "$*"
    exit $EXIT_HARNESS
}

parse_args() {
    while (($#)); do
        case "$1" in
        --build-only) build_only=1 ;;
        --check) check_only=1 ;;
        --rebuild) rebuild=1 ;;
        --share) share=$(cd "${2:?--share needs a folder}" && pwd) && shift ;;
        --modules) modules=${2?--modules needs a list} && shift ;;
        --timeout) timeout_s=${2:?--timeout needs seconds} && shift ;;
        -h | --help) usage && exit 0 ;;
        --) shift && break ;;
        -*) usage >&2 && exit 2 ;;
        *) break ;;
        esac
        shift
    done
    command_args=("$@")
    if ((!build_only && !check_only && ${#command_args[@]} == 0)); then
        usage >&2
        exit 2
    fi
}

# A /dev/kvm can exist and still fail at the first vCPU set-up (nested virtualisation),
# so it is tried on a paused machine first; that costs about 0.1 s.
kvm_works() {
    [[ -w /dev/kvm ]] || return 1
    (echo quit | timeout 10 qemu-system-x86_64 -accel kvm -cpu host -M pc -nodefaults \
        -display none -S -monitor stdio) >/dev/null 2>&1
}

# QEMU's software emulation is enough; KVM is used when this machine offers a working one.
check_qemu() {
    command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
    if [[ "${QMT_VM_ACCEL:-}" != tcg ]] && kvm_works; then
        accel=(-accel kvm -cpu host)
    elif qemu-system-x86_64 -accel help 2>/dev/null | grep -qx tcg; then
        accel=(-accel tcg,thread=multi -cpu max)
    else
        skip "this qemu-system-x86_64 has neither KVM nor software emulation (TCG)"
    fi
}

# The mirror apt already uses is the one this machine can reach; without one of its own and
# without QMT_VM_MIRROR there is nothing to build the guest from. Prints nothing then.
debian_mirror() {
    if [[ -n "${QMT_VM_MIRROR:-}" ]]; then
        echo "$QMT_VM_MIRROR"
        return
    fi
    local found
    found=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk '/^URIs:/ { for (i = 2; i <= NF; i++) print $i }
             /^deb / { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }' |
        grep -E '/debian/?$' | grep -v security | head -n 1 || true)
    echo "$found"
}

# QMT_VM_EXTRA_PACKAGES adds packages for measurements that compare with other programs
# (JACK, PipeWire); give such an image a folder of its own with QMT_VM_CACHE.
guest_packages() {
    grep -v -e '^#' -e '^[[:space:]]*$' "$here/guest-packages.txt"
    local extra
    for extra in ${QMT_VM_EXTRA_PACKAGES:-}; do echo "$extra"; done
}

root_key() { { echo "format $ROOT_FORMAT"; guest_packages; } | sha256sum | cut -c1-16; }

boot_key() {
    { echo "${EARLY_MODULES[*]}"; cat "$here/init.c" "$cache/root.key"; } | sha256sum | cut -c1-16
}

# Kernel drivers a test guest never needs; dropping them roughly halves the root.
trim_root() {
    local root=$1 kdir
    for kdir in "$root"/lib/modules/*/kernel; do
        rm -rf "$kdir"/drivers/{net,gpu,media,infiniband,staging,scsi,bluetooth,iio,isdn,usb/gadget} \
            "$kdir"/net/{wireless,mac80211,bluetooth,netfilter,ipv4/netfilter,ipv6/netfilter} \
            "$kdir"/sound/{soc,pci,usb,firewire,isa,pcmcia} "$kdir"/fs/{btrfs,xfs,ocfs2,gfs2,ceph,nfs,nfsd,smb}
    done
    rm -rf "$root"/boot/initrd.img-* "$root"/usr/share/{doc,man,info,locale} "$root"/var/lib/apt/lists/* \
        "$root"/var/cache/apt/*.bin "$root"/var/cache/apt/archives/*.deb
    local kver
    kver=$(ls "$root/lib/modules")
    chroot "$root" depmod -a "$kver"
}

run_debootstrap() {
    local target=$1 mirror=$2 attempt log="$cache/debootstrap.log"
    local include
    include=$(guest_packages | paste -sd, -)
    mkdir -p "$cache/debs"
    for attempt in 1 2 3; do
        rm -rf "$target"
        say "building the guest root with debootstrap from $mirror (attempt $attempt of 3; log: $log)"
        if debootstrap --variant=minbase --include="$include" --cache-dir="$cache/debs" \
            bookworm "$target" "$mirror" >"$log" 2>&1; then
            return 0
        fi
        tail -n 5 "$log" >&2
        sleep $((attempt * 10))
    done
    rm -rf "$target"
    return 1
}

root_is_current() {
    [[ -d "$cache/root" && "$(cat "$cache/root.key" 2>/dev/null)" == "$(root_key)" ]]
}

# What building the image needs; checked up front so a missing tool skips, not fails.
check_build_tools() {
    local tool
    for tool in cc cpio xz; do
        command -v "$tool" >/dev/null || skip "$tool is needed to build the guest's boot files"
    done
    root_is_current && ((!rebuild)) && return
    [[ $(id -u) -eq 0 ]] || skip "building the guest root needs root (debootstrap and chroot)"
    command -v debootstrap >/dev/null || skip "debootstrap is not installed"
}

build_root() {
    local started=$SECONDS mirror
    mirror=$(debian_mirror)
    [[ -n "$mirror" ]] ||
        skip "no Debian mirror: set QMT_VM_MIRROR, or give this machine an apt source for Debian"
    run_debootstrap "$cache/root.new" "$mirror" ||
        skip "debootstrap failed three times; the Debian mirror is unreachable or unusable"
    trim_root "$cache/root.new"
    rm -rf "$cache/root" "$cache/boot.key"
    mv "$cache/root.new" "$cache/root"
    root_key >"$cache/root.key"
    say "guest root built in $((SECONDS - started)) s ($(du -sh "$cache/root" | cut -f1))"
}

# Booting the uncompressed ELF kernel directly saves about two seconds per start.
extract_vmlinux() {
    local vmlinuz=$1 out=$2 offset
    # Both readers stop early on purpose, so a broken pipe upstream is no failure here.
    offset=$(set +o pipefail && LC_ALL=C grep -obUaP '\xFD7zXZ\x00' "$vmlinuz" | head -n 1 | cut -d: -f1)
    [[ -n "$offset" ]] || fail "no xz stream in $vmlinuz"
    (set +o pipefail && tail -c +$((offset + 1)) "$vmlinuz" | xz -dc --single-stream >"$out")
    [[ $(head -c 4 "$out" | od -An -tx1 | tr -d ' ') == 7f454c46 ]] || fail "$out is not an ELF kernel"
}

# Module files of the early modules and their dependencies, in load order.
early_module_files() {
    local kver=$1 mod
    for mod in "${EARLY_MODULES[@]}"; do
        chroot "$cache/root" modprobe -S "$kver" --show-depends "$mod" | awk '$1 == "insmod" { print $2 }'
    done | awk '!seen[$0]++'
}

build_initramfs() {
    local kver=$1 staging n=10 file name
    staging=$(mktemp -d)
    mkdir -p "$staging"/{modules,dev,proc,sys,ctl,lower,upper,newroot}
    ${CC:-cc} -static -Os -Wall -Wextra -Wpedantic -Werror -o "$staging/init" "$here/init.c" ||
        fail "cannot build the guest init program (a C compiler with static glibc is needed)"
    while read -r file; do
        name=$(basename "$file")
        case "$name" in
        *.ko.xz) xz -dc "$cache/root$file" >"$staging/modules/$n-${name%.xz}" ;;
        *.ko.zst) zstd -qdc "$cache/root$file" >"$staging/modules/$n-${name%.zst}" ;;
        *) cp "$cache/root$file" "$staging/modules/$n-$name" ;;
        esac
        n=$((n + 1))
    done < <(early_module_files "$kver")
    (cd "$staging" && find . | cpio -o -H newc --quiet) >"$cache/initramfs.cpio"
    rm -rf "$staging"
}

build_boot() {
    local kver
    kver=$(ls "$cache/root/lib/modules")
    extract_vmlinux "$cache/root/boot/vmlinuz-$kver" "$cache/vmlinux"
    build_initramfs "$kver"
    boot_key >"$cache/boot.key"
}

# Builds what is missing or stale, under an exclusive lock so parallel runs wait for it.
prepare_image() {
    mkdir -p "$cache"
    exec 9>"$cache/lock"
    flock 9
    if ((rebuild)) || ! root_is_current; then
        build_root
    fi
    if [[ ! -f "$cache/vmlinux" || "$(cat "$cache/boot.key" 2>/dev/null)" != "$(boot_key)" ]]; then
        build_boot
    fi
    # Running guests only read the root; a shared lock keeps a rebuild from pulling it away.
    flock -s 9
}

write_control_files() {
    local ctl=$1 name
    # A relative program path means the host's current folder, wherever the guest starts.
    [[ "${command_args[0]}" == */* && "${command_args[0]}" != /* ]] &&
        command_args[0]="$PWD/${command_args[0]}"
    printf '%s\0' "${command_args[@]}" >"$ctl/argv"
    case "$PWD/" in
    "$share"/*) echo "$PWD" >"$ctl/cwd" ;;
    *) echo "$share" >"$ctl/cwd" ;;
    esac
    echo "$share" >"$ctl/share"
    echo "$modules" >"$ctl/modules"
    {
        printf '%s\0' PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root LANG=C.UTF-8 QMT_IN_VM=1
        for name in $(compgen -e | grep -E '^(GTEST_|QMT_)' || true); do
            printf '%s=%s\0' "$name" "${!name}"
        done
    } >"$ctl/env"
}

# Starts QEMU in the background; its pid goes to qemu_pid.
start_qemu() {
    local virtfs=security_model=none kernel_args="console=ttyS0 panic=-1 tsc=reliable mitigations=off cryptomgr.notests"
    [[ -n "${QMT_VM_VERBOSE:-}" ]] || kernel_args+=" quiet"
    timeout -k 5 "$timeout_s" qemu-system-x86_64 -M pc "${accel[@]}" -smp 2 -m "$memory_mb" \
        -nodefaults -nographic -no-reboot -serial stdio \
        -fw_cfg name=etc/sercon-port,string=0 -device isa-debug-exit,iobase=0xf4,iosize=1 \
        -kernel "$cache/vmlinux" -initrd "$cache/initramfs.cpio" -append "$kernel_args" \
        -virtfs "local,path=$cache/root,mount_tag=root,$virtfs,readonly=on" \
        -virtfs "local,path=$share,mount_tag=share,$virtfs" \
        -virtfs "local,path=$ctl,mount_tag=ctl,$virtfs" </dev/null \
        2> >(grep -v --line-buffered 'fw_cfg item names should be prefixed' >&2) &
    qemu_pid=$!
}

# True once the guest's init has said it is up; false when QEMU ended or the time ran out.
wait_for_start() {
    local deadline=$((SECONDS + boot_timeout_s))
    while [[ ! -e "$ctl/started" ]]; do
        kill -0 "$qemu_pid" 2>/dev/null || return 1
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

# Also runs from the exit trap, where a failing command would cut the clean-up short.
stop_qemu() {
    if [[ -n "$qemu_pid" ]]; then
        kill "$qemu_pid" 2>/dev/null || true
        wait "$qemu_pid" 2>/dev/null || true
    fi
    qemu_pid=
}

# Software emulation very rarely hangs while booting; a watchdog on the boot alone retries
# that without ever running the command twice.
run_guest() {
    local attempt status
    ctl=$(mktemp -d)
    trap 'rm -rf "$ctl"; stop_qemu' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    write_control_files "$ctl"
    for attempt in 1 2; do
        start_qemu
        if wait_for_start; then
            wait "$qemu_pid" || true
            qemu_pid=
            break
        fi
        if [[ -e "$ctl/started" || -e "$ctl/status" ]]; then
            wait "$qemu_pid" || true  # it ended on its own, having reported
            qemu_pid=
            break
        fi
        stop_qemu
        say "the guest did not start within ${boot_timeout_s} s (attempt $attempt of 2)"
    done
    status=$(cat "$ctl/status" 2>/dev/null || true)
    [[ "$status" =~ ^[0-9]+$ ]] ||
        fail "the guest reported no exit status (it crashed, did not boot or ran past the ${timeout_s} s time-out)"
    return "$status"
}

main() {
    parse_args "$@"
    check_qemu
    check_build_tools
    ((check_only)) && exit 0
    prepare_image
    ((build_only)) && exit 0
    local status=0
    run_guest || status=$?
    exit "$status"
}

main "$@"
