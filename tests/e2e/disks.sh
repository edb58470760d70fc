#!/usr/bin/env bash
# Small real disks for the full-disk tests of the program: tmpfs mounts that
# fill up after 400 KiB, and a read-only one holding one source. The other
# sources stay on the build's own disk.
#   disks.sh DIR setup     mount DIR/small1..3 and mark DIR/ready
#   disks.sh DIR cleanup   unmount them and remove DIR
# Mounting needs root; without it nothing is mounted, no DIR/ready is made and
# the tests that need the disks say that they were skipped.
set -u
dir=${1:?folder for the disks}
disks=(small1 small2 small3 readonly)

unmount_all() {
    local disk
    for disk in "${disks[@]}"; do
        # An interrupted run can leave mounts stacked: take off every layer.
        while mountpoint -q "$dir/$disk" 2>/dev/null; do
            umount "$dir/$disk" 2>/dev/null || umount -l "$dir/$disk" || break
        done
    done
}

case ${2:-} in
setup)
    unmount_all
    rm -rf "$dir"
    mkdir -p "$dir" || exit 1
    if [ "$(id -u)" != 0 ]; then
        echo "disks.sh: not root, no tmpfs disks: the full-disk tests will skip" >&2
        exit 0
    fi
    for disk in "${disks[@]}"; do
        mkdir -p "$dir/$disk" || exit 1
        if ! mount -t tmpfs -o size=400k tmpfs "$dir/$disk"; then
            echo "disks.sh: cannot mount a tmpfs on $dir/$disk" >&2
            unmount_all
            exit 1
        fi
    done
    # 100000 bytes that the tests read back, then no more writes or deletes.
    head -c 100000 /dev/urandom >"$dir/readonly/source.bin" &&
        mount -o remount,ro "$dir/readonly" || { unmount_all; exit 1; }
    touch "$dir/ready"
    ;;
cleanup)
    unmount_all
    rm -rf "$dir"
    ;;
*)
    echo "usage: disks.sh DIR setup|cleanup" >&2
    exit 2
    ;;
esac
