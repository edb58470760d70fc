#!/usr/bin/env bash
# The release package of this build, as a Windows user gets it: made by
# tools/package from the quillet.exe already built, unpacked, checked, and
# the quillet.exe from the zip run under Wine copying and moving a file.
#   package_test.sh BUILD_DIR ARCH E2E_TESTS_EXE WORK_DIR
set -uo pipefail
build=$1 arch=$2 e2e=$3 work=$4
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
failed=0
fail() { echo "package_test: $*" >&2; failed=1; }

rm -rf "$work" && mkdir -p "$work" || exit 1
zip=$("$root/tools/package" --from="$build" --arch="$arch" --dist="$work/dist") || { fail "tools/package failed"; exit 1; }
read -r version <"$build/quillet-version.txt"
[[ ${zip##*/} == "quillet-$version-$arch.zip" ]] || fail "package named ${zip##*/}"
(cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"

listing=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[[ $listing == "LICENSE.txt README.txt quillet.exe " ]] || fail "the zip holds: $listing"
unzip -q "$zip" -d "$work/unpacked" || exit 1
exe=$work/unpacked/quillet.exe
for text in README.txt LICENSE.txt; do
    grep -qv $'\r$' "$work/unpacked/$text" && fail "$text has a line without CR LF"
done
grep -q "^Quillet $version"$'\r$' "$work/unpacked/README.txt" || fail "README.txt does not name Quillet $version"
grep -q "The Quillet authors" "$work/unpacked/LICENSE.txt" || fail "LICENSE.txt does not name The Quillet authors"

objdump=$arch-w64-mingw32-objdump
"$objdump" -h "$exe" | grep -q '\.debug' && fail "quillet.exe still has debug sections"
"$objdump" -t "$exe" | grep -q '^\[' && fail "quillet.exe still has a symbol table"
"$root/tools/check-imports" --objdump "$objdump" "$exe" >/dev/null || fail "quillet.exe imports more than system DLLs"

# Hardened as Windows loads it: at a random address (which needs its
# relocations), with data never executed, and no section both writable and
# executable.
header=$("$objdump" -p "$exe")
wanted=(DYNAMIC_BASE NX_COMPAT)
[[ $arch == x86_64 ]] && wanted+=(HIGH_ENTROPY_VA)
for flag in "${wanted[@]}"; do
    grep -Eq "^[[:space:]]+$flag\$" <<<"$header" || fail "quillet.exe lacks $flag"
done
grep -Eq '^Entry 5 [0-9a-f]+ 0*[1-9a-f][0-9a-f]* Base Relocation Directory' <<<"$header" &&
    ! grep -q 'relocations stripped' <<<"$header" || fail "quillet.exe has no relocations"
writable_code=$("$objdump" -h "$exe" | awk '$1 ~ /^[0-9]+$/ { name = $2; next }
    name != "" && /CODE/ && !/READONLY/ { print name } { name = "" }')
[[ -z $writable_code ]] || fail "quillet.exe has sections both writable and executable: $writable_code"
# The same sources give the same exe: no build time, no folder of this machine.
grep -q $'^Time/Date\t\tThu Jan  1 00:00:00 1970$' <<<"$header" || fail "quillet.exe carries a build time"
grep -qaF "$root" "$exe" && fail "quillet.exe holds the path of the checkout, $root"

# The exe from the zip under Wine: typed names in two scripts copied and moved.
out=$("$root/tools/wine-run" "$e2e" --program="$exe" --scratch="$work/scratch" \
    -tc="names in any script*" 2>&1)
grep -Eq "test cases: +1 \| +1 passed \| +0 failed" <<<"$out" || fail "the packaged quillet.exe did not copy and move:"$'\n'"$out"
((failed == 0)) && echo "package_test: ${zip##*/} checked, its quillet.exe copies under Wine"
exit $failed
