#!/usr/bin/env bash
# The disks the Windows tests need that a Windows program cannot make itself:
# small tmpfs disks that fill up, read-only ones, disks that misbehave, plain
# folders beside them on the build's own disk, and a Wine drive of the CD-ROM
# type.
#
#   disks.sh setup ROOT [--tmpfs NAME SIZE]... [--faulty NAME MODES]...
#                       [--text NAME/FILE TEXT]... [--random NAME/FILE BYTES]...
#                       [--read-only NAME]... [--folder NAME]...
#                       [--cdrom LETTER FOLDER WINE_RUN TEST_EXE]
#   disks.sh cleanup ROOT
#
# setup makes ROOT afresh and in it, in this order whatever the order given:
#   --tmpfs      a tmpfs disk of SIZE (as mount takes it: 400k) at ROOT/NAME
#   --faulty     a disk that misbehaves at ROOT/NAME: faulty_disk.py's FUSE
#                file system over a tmpfs of 64 MiB (ROOT/.NAME.store), with
#                MODES as that script takes them (delay=50,largest=300000...)
#   --text       a file on one of them holding TEXT (printf's escapes: \r\n)
#   --random     a file on one of them of BYTES random bytes
#   --read-only  the disk NAME remounted read-only, once its files are there
#   --folder     a plain folder ROOT/NAME
#   --cdrom      Wine's drive LETTER (r:) as a CD-ROM drive over FOLDER, which
#                gets a file disc.txt. Wine learns drive types when a server
#                session starts, so a session that does not know the drive yet
#                is restarted: nothing else may run meanwhile. WINE_RUN is
#                tools/wine-run, TEST_EXE a test program that prints the type
#                of a drive's root with --print-drive-type=ROOT.
# Mounting needs root, and a disk that misbehaves needs /dev/fuse and Debian's
# python3-fusepy too. Without them (or with QUILLET_NO_DISKS=1 in the
# environment, to see the tests that need the disks skip) ROOT holds only the
# file "skipped", which says why, and the tests that need the disks report
# themselves skipped; the CD-ROM drive is set up all the same. A complete
# set-up leaves the file "ready" in ROOT.
#
# cleanup takes off every mount at or below ROOT (the FUSE ones first, whose
# processes then end) and removes ROOT.
set -uo pipefail

usage() {
    echo "usage: disks.sh setup ROOT [--tmpfs NAME SIZE]... [--faulty NAME MODES]... [--text NAME/FILE TEXT]..." >&2
    echo "                          [--random NAME/FILE BYTES]..." >&2
    echo "                          [--read-only NAME]... [--folder NAME]... [--cdrom LETTER FOLDER WINE_RUN TEST_EXE]" >&2
    echo "       disks.sh cleanup ROOT" >&2
    echo "ROOT is an absolute path below a folder, never / itself." >&2
    exit 2
}

action=${1:-}
root=${2:-}
[[ $action == setup || $action == cleanup ]] && [[ $root == /*/* ]] || usage
root=${root%/}
shift 2

# The mount points at or below ROOT: the FUSE ones, then the deepest first.
mounts_below() {
    awk -v root="$root" '$2 == root || index($2, root "/") == 1 { print ($3 ~ /^fuse/ ? 0 : 1), $2 }' \
        /proc/self/mounts | sort -k1,1n -k2r | cut -d' ' -f2-
}

# Takes off every mount below ROOT; an interrupted run can leave some stacked.
unmount_all() {
    local point tries=0
    while point=$(mounts_below | head -n 1) && [[ -n $point ]]; do
        umount "$point" 2>/dev/null || umount -l "$point" || return 1
        ((++tries < 100)) || return 1
    done
}

# Ends the misbehaving disks' processes that outlived their mounts.
end_faulty() {
    local file pid
    for file in "$root"/.*.pid; do
        [[ -f $file ]] && read -r pid <"$file" || continue
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.2
        done
        # Only the disk's own process, not another that took its number since.
        grep -qs faulty_disk.py "/proc/$pid/cmdline" && kill "$pid" 2>/dev/null
        rm -f "$file"
    done
}

cleanup() {
    if ! unmount_all; then
        echo "disks.sh: cannot unmount everything below $root" >&2
        return 1
    fi
    end_faulty
    rm -rf "$root"
}

fail() {
    echo "disks.sh: $*" >&2
    unmount_all
    end_faulty
    exit 1
}

# Whether faulty_disk.py can mount here; else says why.
faulty_unavailable() {
    [[ -c /dev/fuse ]] || { echo "no /dev/fuse"; return 0; }
    /usr/bin/python3 -c 'import fusepy' 2>/dev/null || { echo "no python3-fusepy for /usr/bin/python3"; return 0; }
    return 1
}

# Mounts a disk that misbehaves and waits until it answers. Its process gets
# no descriptor of ours (ctest would wait for it) and runs until unmounted.
# Gives 77 when FUSE refuses to mount here.
mount_faulty() {  # name modes
    local point=$root/$1 store=$root/.$1.store pid
    mkdir -p "$point" "$store" && mount -t tmpfs -o size=64m tmpfs "$store" || fail "cannot mount a tmpfs on $store"
    /usr/bin/python3 "$script_dir/faulty_disk.py" "$store" "$point" "$2" </dev/null >"$root/.$1.log" 2>&1 &
    pid=$!
    echo "$pid" >"$root/.$1.pid"
    for _ in $(seq 100); do
        awk -v point="$point" '$2 == point && $3 ~ /^fuse/ { found = 1 } END { exit !found }' /proc/self/mounts &&
            return 0
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            local status=$?
            cat "$root/.$1.log" >&2
            ((status == 77)) && return 77
            fail "faulty_disk.py for $point ended with status $status"
        fi
        sleep 0.1
    done
    fail "$point did not come up in 10 s"
}

# Wine calls get no pipe of ours: the helpers that start with a server
# session would keep it open. Key and link stay after the tests, so later runs
# find the drive known.

# The type of a drive's root as the test program sees it (5: CD-ROM).
drive_type() {  # letter
    "$wine_run" "$test_exe" --print-drive-type="${1^^}:\\" </dev/null >"$root/drive-type.txt" 2>/dev/null
    tr -d '\r\n' <"$root/drive-type.txt"
}

setup_cdrom() {  # letter folder
    local letter=${1,,} folder=$2
    mkdir -p "$folder" && printf 'on the disc\r\n' >"$folder/disc.txt" || fail "cannot make $folder"
    # Wine reads drive types from the 64-bit view of the key; with Wine's 32-bit
    # part installed, reg would write the 32-bit one unless told.
    if ! "$wine_run" reg add 'HKLM\Software\Wine\Drives' /reg:64 /v "$letter" /d cdrom /f </dev/null >/dev/null 2>&1; then
        fail "could not add drive ${letter^^} to Wine's drive types"
    fi
    local prefix
    prefix=$(source "$(dirname "$wine_run")/wine-env" && echo "$WINEPREFIX")
    ln -sfn "$folder" "$prefix/dosdevices/$letter" || fail "cannot link drive ${letter^^}"
    [[ $(drive_type "$letter") == 5 ]] && return 0
    if ! "$wine_run" --restart-server </dev/null >/dev/null 2>&1; then
        "$wine_run" --stop </dev/null >/dev/null 2>&1
    fi
    "$wine_run" reg query 'HKLM\Software\Wine\Drives' /reg:64 </dev/null >/dev/null 2>&1
    local type
    type=$(drive_type "$letter")
    [[ $type == 5 ]] || fail "${letter^^} is drive type '$type' after a server restart, not a CD-ROM (5)"
}

if [[ $action == cleanup ]]; then
    (($# == 0)) || usage
    cleanup
    exit
fi

tmpfs=() faulty=() texts=() randoms=() read_only=() folders=() cdrom=()
while (($#)); do
    case $1 in
    --tmpfs) (($# >= 3)) || usage; tmpfs+=("$2" "$3"); shift 3 ;;
    --faulty) (($# >= 3)) || usage; faulty+=("$2" "$3"); shift 3 ;;
    --text) (($# >= 3)) || usage; texts+=("$2" "$3"); shift 3 ;;
    --random) (($# >= 3)) || usage; randoms+=("$2" "$3"); shift 3 ;;
    --read-only) (($# >= 2)) || usage; read_only+=("$2"); shift 2 ;;
    --folder) (($# >= 2)) || usage; folders+=("$2"); shift 2 ;;
    --cdrom) (($# >= 5)) || usage; cdrom=("$2" "$3" "$4" "$5"); shift 5 ;;
    *) usage ;;
    esac
done

cleanup || exit 1
mkdir -p "$root" || exit 1

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
skipped=
if ((EUID != 0)); then
    skipped="mounting them needs root"
elif [[ ${QUILLET_NO_DISKS:-} == 1 ]]; then
    skipped="QUILLET_NO_DISKS=1"
elif ((${#faulty[@]})) && why=$(faulty_unavailable); then
    skipped="the disks that misbehave need FUSE: $why"
fi
# Makes the disks; gives 77 when FUSE refuses to mount one.
make_disks() {
    local i disk folder
    for ((i = 0; i < ${#tmpfs[@]}; i += 2)); do
        mkdir -p "$root/${tmpfs[i]}" && mount -t tmpfs -o "size=${tmpfs[i + 1]}" tmpfs "$root/${tmpfs[i]}" ||
            fail "cannot mount a tmpfs on $root/${tmpfs[i]}"
    done
    for ((i = 0; i < ${#faulty[@]}; i += 2)); do
        mount_faulty "${faulty[i]}" "${faulty[i + 1]}" || return 77
    done
    for ((i = 0; i < ${#texts[@]}; i += 2)); do
        printf '%b' "${texts[i + 1]}" >"$root/${texts[i]}" || fail "cannot write $root/${texts[i]}"
    done
    for ((i = 0; i < ${#randoms[@]}; i += 2)); do
        head -c "${randoms[i + 1]}" /dev/urandom >"$root/${randoms[i]}" || fail "cannot write $root/${randoms[i]}"
    done
    for disk in "${read_only[@]}"; do
        mount -o remount,ro "$root/$disk" || fail "cannot make $root/$disk read-only"
    done
    for folder in "${folders[@]}"; do
        mkdir -p "$root/$folder" || fail "cannot make $root/$folder"
    done
}

if [[ -z $skipped ]] && ! make_disks; then
    skipped="FUSE refused to mount a disk that misbehaves"
    unmount_all
    end_faulty
fi
if [[ -n $skipped ]]; then
    echo "disks.sh: the disks are left out ($skipped): the tests that need them will skip" >&2
    echo "$skipped" >"$root/skipped"
fi

if ((${#cdrom[@]})); then
    wine_run=${cdrom[2]} test_exe=${cdrom[3]}
    setup_cdrom "${cdrom[0]}" "${cdrom[1]}"
fi
[[ -n $skipped ]] || touch "$root/ready"
