#!/usr/bin/env bash
# Reproduces the four embedded "Source Sans Pro" TrueType faces and their licence
# in fonts/ from Adobe's open-source release as published on the npm registry.
#
# The build never runs this: it uses the committed files. Run it only to check
# that they are what the pinned package holds, or to restore them.
#
#   ui/resources/fetch-fonts.sh           # fetch, verify and copy into fonts/
#   ui/resources/fetch-fonts.sh --check   # verify the committed files only
set -euo pipefail

PACKAGE=source-sans-pro
VERSION=2.20.2
# npm's own integrity value for the tarball of that version.
INTEGRITY="sha512-/HW4xC0C9KjeyE/lmZxZKYaQgdde1QTBQG3ynNpvWJKb1l93dsiBF31OlGmxJAZH2oeLeWAn9v7g7z2aDkrEUw=="

# SHA-256 of each file, as it lies in the package and in fonts/.
declare -A SHA256=(
    [TTF/SourceSansPro-Regular.ttf]=b77f3a700edd0fc0dec73258f882d5c3926c77f5caf6800a201d2166568d2309
    [TTF/SourceSansPro-It.ttf]=36133e9f508b0b4c639e84b2a09855350be0b13700ad729ab519aa78e5c48d20
    [TTF/SourceSansPro-Bold.ttf]=2efc3a95d076f2d04c5928c0ad698b7c61cc302d6f6e79e9643cd3722f7becc2
    [TTF/SourceSansPro-BoldIt.ttf]=eab3e6c76c677dda287b2e56f41f718cc975a14150f72ef82e0a87f1b56eac4c
    [LICENSE.txt]=653aaf9819e33cf1e2b3523c5d4d6c3dae925d770cb4563030f96655321ca2e9
)

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
dest="$here/fonts"

verify() # directory: checks every file of the table below that directory
{
    local dir="$1" status=0 path actual
    for path in "${!SHA256[@]}"; do
        actual="$(sha256sum "$dir/$(basename "$path")" | cut -d' ' -f1)"
        if [[ "$actual" != "${SHA256[$path]}" ]]; then
            echo "checksum mismatch: $dir/$(basename "$path")" >&2
            status=1
        fi
    done
    return $status
}

if [[ "${1:-}" == "--check" ]]; then
    verify "$dest"
    echo "fonts/ matches $PACKAGE@$VERSION"
    exit 0
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

published="$(npm view "$PACKAGE@$VERSION" dist.integrity)"
if [[ "$published" != "$INTEGRITY" ]]; then
    echo "the registry reports integrity $published for $PACKAGE@$VERSION, expected $INTEGRITY" >&2
    exit 1
fi

(cd "$work" && npm pack --silent "$PACKAGE@$VERSION" >/dev/null)
tarball="$work/$PACKAGE-$VERSION.tgz"
actual="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
if [[ "$actual" != "$INTEGRITY" ]]; then
    echo "downloaded tarball has integrity $actual, expected $INTEGRITY" >&2
    exit 1
fi

mkdir -p "$work/x" "$work/flat"
tar -xzf "$tarball" -C "$work/x"
for path in "${!SHA256[@]}"; do
    cp "$work/x/package/$path" "$work/flat/"
done
verify "$work/flat"

mkdir -p "$dest"
for path in "${!SHA256[@]}"; do
    cp "$work/flat/$(basename "$path")" "$dest/"
done
echo "fonts/ restored from $PACKAGE@$VERSION"
