#!/usr/bin/env bash
# Small real disks for the spanning tests: tmpfs mounts that fill up after a
# few hundred kilobytes. The sources and the copy of more than 4 GiB stay on
# the build's own disk (plain folders DIR/work and DIR/large), not in memory.
#   disks.sh DIR setup     mount DIR/small1..3 (400 KiB each), make DIR/work and DIR/large
#   disks.sh DIR cleanup   unmount them again
set -u
dir=$1/disks
case ${2:-} in
setup)
    "$0" "$1" cleanup >/dev/null 2>&1
    if [ "$(id -u)" != 0 ]; then
        echo "disks.sh: not root, no tmpfs mounts; the spanning tests will skip" >&2
        exit 0
    fi
    for disk in small1 small2 small3; do
        mkdir -p "$dir/$disk"
        mount -t tmpfs -o size=400k tmpfs "$dir/$disk" || exit 1
    done
    mkdir -p "$dir/large" "$dir/work"
    ;;
cleanup)
    for disk in small1 small2 small3; do
        while mountpoint -q "$dir/$disk" 2>/dev/null; do umount "$dir/$disk" || umount -l "$dir/$disk" || break; done
    done
    rm -rf "$dir"
    ;;
*)
    echo "usage: disks.sh BUILD_DIR setup|cleanup" >&2
    exit 2
    ;;
esac
