#!/usr/bin/env bash
# Builds the Debian package from a release build and checks it: its file list,
# its conffile, and the registry value that names the manual. With CI=true and
# as root it also installs the package with dpkg, runs the Help command's
# lookup against the installed registry file (package_tests), removes the
# package, which must leave nothing but the conffile, and purges it.
#
#   tests/package/check-package.sh <build-dir>
#
# Prints one line a check: "ok - ...", "not ok - ..." or "skip - ...", and
# exits non-zero when a check failed.
set -uo pipefail

build=${1:?usage: check-package.sh <build-dir>}
name=vantrel-dither
manual=/usr/share/doc/vantrel-dither/manual.html
registry=/etc/vantrel/registry
value='HKEY_LOCAL_MACHINE\SOFTWARE\Vantrel\Vantrel Dither 64bit\Help_file='$manual
bundle=/usr/lib/vst3/Vantrel_Dither.vst3
expected_files="./etc/vantrel/registry
./usr/lib/vst3/Vantrel_Dither.vst3/Contents/x86_64-linux/Vantrel_Dither.so
./usr/share/doc/vantrel-dither/copyright
./usr/share/doc/vantrel-dither/manual.html"

failed=0
ok()   { echo "ok - $*"; }
bad()  { echo "not ok - $*"; failed=1; }
skip() { echo "skip - $*"; }
check() # description, command...: ok when the command succeeds
{
    local what=$1; shift
    if "$@"; then ok "$what"; else bad "$what"; fi
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT

rm -rf "$build/package"
if ! (cd "$build" && cpack -G DEB) >"$log" 2>&1; then
    cat "$log" >&2
    bad "the package builds"
    exit 1
fi
debs=("$build"/package/*.deb)
deb=${debs[0]}
if [[ ! -f "$deb" ]]; then
    cat "$log" >&2
    bad "the package builds"
    exit 1
fi
ok "the package builds: ${deb#"$build"/}"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
check "it holds the bundle, the manual, the copyright file and the registry file" [ "$files" = "$expected_files" ]
[[ "$files" = "$expected_files" ]] || echo "$files" >&2

check "the registry file is a conffile" [ "$(dpkg-deb -I "$deb" conffiles)" = "$registry" ]
check "its Help_file value names the manual" \
    grep -qFx "$value" <(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ".$registry")

installing=
if [[ "${CI:-}" != true || $(id -u) -ne 0 ]]; then
    installing="installs only with CI=true as root"
elif [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$name" 2>/dev/null) == [ir]* ]]; then
    installing="$name is installed already on this machine: left alone"
fi
if [[ -n "$installing" ]]; then
    for what in "dpkg -i installs it" "Help finds the installed manual through the registry" \
                "dpkg -r leaves only the conffile" "dpkg --purge removes the conffile"; do
        skip "$what ($installing)"
    done
    exit $failed
fi

if ! dpkg -i "$deb" >"$log" 2>&1; then
    cat "$log" >&2
    bad "dpkg -i installs it"
    dpkg --purge "$name" >/dev/null 2>&1
    exit 1
fi
check "dpkg -i installs it" [ -f "$bundle/Contents/x86_64-linux/Vantrel_Dither.so" -a -f "$manual" -a -f "$registry" ]

check "Help finds the installed manual through the registry" "$build/tests/package/package_tests"

dpkg -r "$name" >"$log" 2>&1 || cat "$log" >&2
check "dpkg -r leaves only the conffile" \
    [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$name")" = "rc " -a ! -e "$bundle" -a ! -e "${manual%/*}" -a -f "$registry" ]

dpkg --purge "$name" >"$log" 2>&1 || cat "$log" >&2
check "dpkg --purge removes the conffile" [ ! -e "$registry" ]

exit $failed
