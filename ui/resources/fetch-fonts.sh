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
VERSION=2.45.0
# npm's own integrity value for the tarball of that version.
INTEGRITY="sha512-MBbmgyzlD0yCKAvJ4Q86s9BB8yXYld26joJh0DMD53j9aFJZYnFo/B7f4RKXDUfX9I4FyEfdr51lOaVioAOBHw=="

# SHA-256 of each file, as it lies in the package and in fonts/.
declare -A SHA256=(
    [TTF/SourceSansPro-Regular.ttf]=c6f835b6a6d942b196e2607bf73a7b086407ae8dbdc928c23a2fb4893ec383f6
    [TTF/SourceSansPro-It.ttf]=8fa3fe523cb385c2184e6691821c0431a5189a2a01a708a7b047847e15536b03
    [TTF/SourceSansPro-Bold.ttf]=8d869f2aeac0220984a430120af819fbcb12a88e8ea4ad72aae4c5f6d6a2b985
    [TTF/SourceSansPro-BoldIt.ttf]=9cbd037fd721a3eea395675ecabaf10961d76198589a3e71a99a9c73e72ce384
    [LICENSE.txt]=e1d1fdcefb57985226c06fa9500d29caacfa2b1f8b8c74db911f13c6cad186a1
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
