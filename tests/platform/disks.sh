#!/usr/bin/env bash
# The disks the platform tests need that a Windows program cannot make itself:
# small tmpfs disks that fill up, a read-only disk, two disks whose first files
# share an inode number, and Wine drive R: as a CD-ROM drive.
#
#   disks.sh setup   ROOT WINE_RUN TEST_EXE
#   disks.sh cleanup ROOT
#
# ROOT is a folder in the build tree. Mounting needs root; without it the disks
# are left out, ROOT/disks.skipped says so and the tests that need them say that
# they were skipped. ROOT/disks.ready marks a complete set-up.
set -euo pipefail

action=${1:?setup or cleanup}
root=${2:?folder for the disks}

tmpfs_disks=(full-first full-overwrite readonly twin-a twin-b)

unmount_all() {
    local disk
    for disk in "${tmpfs_disks[@]}"; do
        # A mount can be stacked by an interrupted run: take off every layer.
        while mountpoint -q "$root/$disk" 2>/dev/null; do
            umount "$root/$disk" 2>/dev/null || umount -l "$root/$disk"
        done
    done
}

mount_disk() {  # name, size, options
    mkdir -p "$root/$1"
    mount -t tmpfs -o "size=$2${3:+,$3}" tmpfs "$root/$1"
}

drive_type() {  # wine runner, test program
    "$1" "$2" --print-drive-type='R:\' </dev/null >"$root/drive-type.txt" 2>/dev/null || true
    tr -d '\r\n' <"$root/drive-type.txt"
}

setup() {
    local wine_run=${3:?wine runner} test_exe=${4:?test program}
    rm -f "$root/disks.ready" "$root/disks.skipped"
    mkdir -p "$root"
    unmount_all

    if ((EUID == 0)); then
        # 1000 KiB each: 1,024,000 bytes of room for file data.
        mount_disk full-first 1000k
        mount_disk full-overwrite 1000k
        mount_disk readonly 64k
        printf 'kept as it is\r\n' >"$root/readonly/locked.txt"
        mount -o remount,ro "$root/readonly"
        # Each disk numbers its own files: both first files get one number.
        mount_disk twin-a 64k
        mount_disk twin-b 64k
        printf 'a\r\n' >"$root/twin-a/first.txt"
        printf 'b\r\n' >"$root/twin-b/first.txt"
    else
        echo "disks.sh: not root, the tmpfs disks are left out" >&2
        touch "$root/disks.skipped"
    fi

    # Drive R: is a CD-ROM drive. Wine learns the drive types and letters when a
    # server session starts, so a session that does not know R: yet is restarted;
    # link and key stay after the tests, so later runs find them known. Wine
    # calls get no pipe of ours: the helpers that start with a session would
    # keep it open.
    mkdir -p "$root/cdrom"
    printf 'on the disc\r\n' >"$root/cdrom/disc.txt"
    if ! "$wine_run" reg add 'HKLM\Software\Wine\Drives' /v r: /d cdrom /f </dev/null >/dev/null 2>&1; then
        echo "disks.sh: could not add drive R: to Wine's drive types" >&2
        exit 1
    fi
    local prefix
    prefix=$(source "$(dirname "$wine_run")/wine-env" && echo "$WINEPREFIX")
    ln -sfn "$root/cdrom" "$prefix/dosdevices/r:"
    if [[ $(drive_type "$wine_run" "$test_exe") != 5 ]]; then
        if ! "$wine_run" --restart-server </dev/null >/dev/null 2>&1; then
            "$wine_run" --stop </dev/null >/dev/null 2>&1
        fi
        "$wine_run" reg query 'HKLM\Software\Wine\Drives' </dev/null >/dev/null 2>&1
        local type
        type=$(drive_type "$wine_run" "$test_exe")
        if [[ $type != 5 ]]; then
            echo "disks.sh: R: is drive type '$type' after a server restart, not a CD-ROM (5)" >&2
            exit 1
        fi
    fi
    [[ -e $root/disks.skipped ]] || touch "$root/disks.ready"
}

cleanup() {
    rm -f "$root/disks.ready" "$root/disks.skipped"
    unmount_all
}

case $action in
setup) setup "$@" ;;
cleanup) cleanup ;;
*)
    echo "usage: disks.sh setup ROOT WINE_RUN TEST_EXE | cleanup ROOT" >&2
    exit 2
    ;;
esac
