#!/usr/bin/env bash
# The Debian package, made by cpack from this build tree into a folder of the
# test's own and read back with dpkg-deb: its name, its control fields, its
# files with their owners and modes, its dependencies, the desktop entry it
# installs; then lintian, which must find no error in it.
# Usage: deb_test.sh BUILD_DIR VERSION HELP_SOURCE_DIR WORK_DIR
set -u
build=$1 version=$2 help_source=$3 work=$4

failures=0
fail() {
    echo "FAIL: $*"
    ((failures++))
}

for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: $tool is missing: install what scripts/tavisk.sh packages installs"
        exit 1
    fi
done

rm -rf "$work"
mkdir -p "$work"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack did not make the package"
    exit 1
fi
deb=$work/tavisk_${version}_amd64.deb
if [[ ! -f $deb ]]; then
    echo "FAIL: no $deb; the folder holds:"
    ls "$work"
    exit 1
fi

# The control fields.
field() { dpkg-deb --field "$deb" "$1"; }
for expected in "Package=tavisk" "Version=$version" "Architecture=amd64" "Section=utils" \
    "Priority=optional" "Maintainer=Tavisk <support@tavisk.example>"; do
    name=${expected%%=*} value=${expected#*=}
    [[ $(field "$name") == "$value" ]] || fail "$name is '$(field "$name")', not '$value'"
done
description=$(field Description)
[[ $(head -n 1 <<<"$description") == "add entries of your own to the right-click menu of files" ]] ||
    fail "the short description is '$(head -n 1 <<<"$description")'"
(($(wc -l <<<"$description") >= 8)) || fail "the long description is missing or short: $description"
grep -q "^ \.$" <<<"$description" || fail "the long description has no paragraph break"

# The files: exactly these, root's, executables 0755 and the rest 0644.
expected_files=(
    ./usr/bin/tavisk
    ./usr/bin/tavisk-reg
    ./usr/bin/tavisk-shell
    ./usr/share/applications/tavisk.desktop
    ./usr/share/bash-completion/completions/tavisk-reg
    ./usr/share/bash-completion/completions/tavisk-shell
    ./usr/share/doc/tavisk/changelog.gz
    ./usr/share/doc/tavisk/copyright
    ./usr/share/icons/hicolor/scalable/apps/tavisk.svg
    ./usr/share/man/man1/tavisk-reg.1.gz
    ./usr/share/man/man1/tavisk-shell.1.gz
    ./usr/share/man/man1/tavisk.1.gz
)
for guide_file in "$help_source"/*; do
    expected_files+=("./usr/share/tavisk/help/${guide_file##*/}")
done
listing=$(dpkg-deb --contents "$deb")
files=$(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | LC_ALL=C sort)
expected_list=$(printf '%s\n' "${expected_files[@]}" | LC_ALL=C sort)
if [[ $files != "$expected_list" ]]; then
    fail "the package's files differ from the expected ones:"
    diff <(echo "$expected_list") <(echo "$files")
fi
while read -r mode owner _ _ _ path; do
    [[ $owner == root/root ]] || fail "$path belongs to $owner"
    case $mode,$path in
        d*,*) expected_mode=drwxr-xr-x ;;
        *,./usr/bin/*) expected_mode=-rwxr-xr-x ;;
        *) expected_mode=-rw-r--r-- ;;
    esac
    [[ $mode == "$expected_mode" ]] || fail "$path has mode $mode, not $expected_mode"
done <<<"$listing"

# The desktop entry runs the packaged program.
mkdir "$work/root"
dpkg-deb --extract "$deb" "$work/root"
grep -qx "Exec=/usr/bin/tavisk" "$work/root/usr/share/applications/tavisk.desktop" ||
    fail "the desktop entry does not run /usr/bin/tavisk: $(grep Exec= "$work/root/usr/share/applications/tavisk.desktop")"

# The dependencies: the libraries the binaries link, as dpkg-shlibdeps names
# them, each a package this machine knows, and the MIME database.
depends=$(field Depends)
mapfile -t names < <(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/ //g' | grep . | LC_ALL=C sort -u)
for needed in libc6 libstdc++6 libgcc-s1 libsqlite3-0 libqt6core6 libqt6gui6 libqt6widgets6 \
    libqt6svg6 shared-mime-info; do
    printf '%s\n' "${names[@]}" | grep -qx "$needed" || fail "Depends lacks $needed: $depends"
done
for name in "${names[@]}"; do
    [[ $name == *-dev || $name == libasan* || $name == libubsan* ]] &&
        fail "Depends names $name, which a user's machine does not need"
    dpkg-query --show "$name" >/dev/null 2>&1 || fail "Depends names $name, which is no package"
done
grep -q "libqt6core6 (>= " <<<"$depends" || fail "Depends has no versions from the binaries: $depends"

# lintian: no error, and no warning but these, which stay:
#   copyright-without-copyright-notice: the project names its holder but no
#   year of copyright, and the package does not make one up.
accepted_warnings=(copyright-without-copyright-notice)
lintian_log=$work/lintian.log
lintian --fail-on none --tag-display-limit 0 "$deb" >"$lintian_log" 2>&1
cat "$lintian_log"
grep -q "^E: " "$lintian_log" && fail "lintian reports errors"
while read -r tag; do
    printf '%s\n' "${accepted_warnings[@]}" | grep -qx -- "$tag" ||
        fail "lintian warns of $tag, which is not among the accepted warnings"
done < <(sed -n 's/^W: tavisk[^:]*: \([^ ]*\).*/\1/p' "$lintian_log" | sort -u)

if ((failures)); then
    exit 1
fi
echo "the package holds what it should, with its dependencies, and lintian passes it"
rm -rf "$work"
