#!/usr/bin/env bash
# Measures whether the tests catch plausible faults: seeds each fault of the
# list below into the code on its own (one exact text replaced in one file),
# rebuilds, runs the tests, reports whether any test failed, and puts the file
# back. Exits non-zero when a fault went unnoticed (or could not be seeded).
# A fault of a framework patch (cmake/juce-patches) is seeded into the lines
# that the patch adds, which configure then applies.
#
#   scripts/seed-faults.sh            every fault
#   scripts/seed-faults.sh -l         list the faults
#   scripts/seed-faults.sh NAME...    only these
#
# Builds in build-faults (Release; BUILD_DIR and JOBS override). With DISPLAY
# set the window tests run on that display; without it they are left out.
# EXCLUDE adds a ctest regular expression of tests to leave out. A tool for
# measuring, not a CI stage: it takes a rebuild and a test run per fault.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-build-faults}
jobs=${JOBS:-3}

names=() files=() froms=() tos=()
fault() { names+=("$1"); files+=("$2"); froms+=("$3"); tos+=("$4"); }

# name                  file                                  exact text            replacement
fault curve2-digit      engine/Algo.cpp  '6.214, -7.184'  '6.241, -7.184'
fault saturation-sign   engine/Algo.cpp  'return scaled > 0.0f ? std::numeric_limits<int32_t>::max()' \
                                         'return scaled < 0.0f ? std::numeric_limits<int32_t>::max()'
fault timer-500ms       engine/Algo.cpp  'startTimer (50);'  'startTimer (500);'
fault real-text-1e19    processor/StateChunk.cpp  'exponent <= 19'  'exponent <= 18'
fault settings-key      processor/UserSettings.h  '"VgVZZ62N1QI"'  '"VgVZZ62NlQI"'
fault parse-int-min     processor/UserSettings.cpp  'negative ? -(juce::int64) std::numeric_limits<int>::min()' \
                                                    'negative ? (juce::int64) std::numeric_limits<int>::max()'
fault relative-xdg      processor/UserSettings.cpp  "xdg[0] == '/'"  "xdg[0] != 0"
fault cpu-sse41-row     cpu/CpuDispatch.cpp  '1, 0x5F,'  '1, 0x7F,'
fault cpu-xcr0-mask     cpu/CpuDispatch.cpp  'xcr0SseAndAvxState = 0x6;'  'xcr0SseAndAvxState = 0x4;'
fault cpu-known-range   cpu/CpuDispatch.cpp  'knownFeatureRange = 0xFFFFFFFFull;'  'knownFeatureRange = 0x7FFFFFFFull;'
fault editor-marker-0   ui/JuceEditor.cpp  'p.getUiChangedParam() > -1'  'p.getUiChangedParam() > 0'
fault registry-trim     platform/registry/SystemRegistry.cpp  'return line.substring (equals + 1);' \
                                                              'return line.substring (equals + 1).trim();'
fault outline-read-only ui/VantrelLookAndFeel.cpp  'editor.hasKeyboardFocus (true) && ! editor.isReadOnly()' \
                                                   'editor.hasKeyboardFocus (true)'
fault marks-before-fields processor/JucePlugin.cpp \
$'            applyStateXml (*element);
            // The fields first, then the marks that publish them.
            markDspChanged (5);
            markUiChanged (5);' \
$'            markDspChanged (5);
            markUiChanged (5);
            applyStateXml (*element);'
fault half-step         engine/Algo.cpp  '((mask + 1) >> 1)'  '(mask >> 1)'
fault mask-20-bit       engine/Algo.cpp  '(depth == 2 ? 0x0F : 0)'  '(depth == 2 ? 0x1F : 0)'
fault history-shift     engine/Algo.cpp  'for (int i = taps - 2; i >= 0; --i)'  'for (int i = taps - 3; i >= 0; --i)'
fault timer-clears-ab   engine/Algo.cpp  'taken <= 3'  'taken <= 4'
fault bypass-at-half    processor/ParameterMapping.h  'return value > 0.5f;'  'return value >= 0.5f;'
fault ack-swapped       engine/DitherSettings.cpp  'if (getDspChangedParam() != -1)'  'if (getDspChangedParam() == -1)'
fault chunk-length      processor/StateChunk.cpp  'putLittleEndian32 (bytes + 4, (uint32_t) length);' \
                                                  'putLittleEndian32 (bytes + 4, (uint32_t) length + 1);'
fault path-entry-length ui/DocumentLauncher.cpp  'folders.substr (start, end - start)'  'folders.substr (start, end)'
fault chunk-length-clamp processor/StateChunk.cpp  'std::min ((size_t) length, (size_t) sizeInBytes - headerSize)' \
                                                  '(size_t) length'
fault trailer-min-size  processor/HostStateFraming.cpp  'r.size >= privateDataIdSize + 8' 'r.size > privateDataIdSize + 8'
fault trailer-short-guard processor/HostStateFraming.cpp  'r.size < privateTrailerSize || privateSize >' 'privateSize >'
fault run-loop-erase-all cmake/juce-patches/06-closing-view-detaches-every-view.patch  'hostRunLoops.erase (entry);'  'hostRunLoops.erase (runLoop);'
fault relative-path-entry ui/DocumentLauncher.cpp  "if (end > start && folders[start] == '/')"  'if (end > start)'
fault inherit-descriptors ui/DocumentLauncher.cpp  'closeInheritedDescriptors (errorPipe[1], limit);'  '(void) limit;'
fault link-replaced     processor/SettingsFile.cpp  'const auto target = writeTarget (file);'  'const auto target = file;'
fault silent-state-change processor/JucePlugin.cpp  'if (! createStateXml().isEquivalentTo (&before, false))'  'if (false)'
fault dialog-not-reaped ui/SettingsFileChooser.cpp  'waitpid (dialogProcess, &status, WNOHANG)'  '0'
fault xlib-queue-left  cmake/juce-patches/07-queued-x-events-left-unhandled.patch  'if (queued > 0)'  'if (queued < 0)'
fault first-paint-bounds cmake/juce-patches/08-first-paint-bounds.patch  'peer.forceSetBounds (firstBounds ? *firstBounds'  'peer.forceSetBounds (false ? *firstBounds'
fault bounds-after-first-paint cmake/juce-patches/08-first-paint-bounds.patch  'if (! drawnOnce)'  'if (true)'
fault focus-not-taken-back cmake/juce-patches/09-menu-closed-by-hosts-focus.patch  '&& isFocusInWindowHoldingView (componentAttachedTo))'  '&& false)'
fault take-back-any-time cmake/juce-patches/09-menu-closed-by-hosts-focus.patch  'focusTakeBackMilliseconds = 500;'  'focusTakeBackMilliseconds = 5000;'
fault handler-restored-early cmake/juce-patches/10-x-error-for-a-vanished-window-ends-the-host.patch \
$'     const auto result = X11Symbols::getInstance()->xQueryTree (display, possibleChild, &root, &parent, &windowList, &windowListSize);\n+    X11Symbols::getInstance()->xSetErrorHandler (previousHandler);' \
$'+    X11Symbols::getInstance()->xSetErrorHandler (previousHandler);\n     const auto result = X11Symbols::getInstance()->xQueryTree (display, possibleChild, &root, &parent, &windowList, &windowListSize);'
fault one-parent-position cmake/juce-patches/11-embedded-views-share-one-position.patch \
    'parentScreenPosition.value_or (XWindowSystem::getInstance()->getPhysicalParentScreenPosition())' \
    'XWindowSystem::getInstance()->getPhysicalParentScreenPosition()'
fault stream-pieces     cmake/juce-patches/03-state-read-over-itself-in-pieces.patch  'static_cast<char*> (block.getData()) + len, static_cast<int32> (block.getSize()) - len' \
                                                 'block.getData(), static_cast<int32> (block.getSize())'
fault write-any-kind    processor/SettingsFile.cpp  '! isRegularOrMissing (target.getFullPathName().toStdString())'  'target.isDirectory()'
fault read-blocking     processor/SettingsFile.cpp  'O_RDONLY | O_NONBLOCK | O_NOCTTY'  'O_RDONLY | O_NOCTTY'
fault read-any-kind     processor/SettingsFile.cpp  '::fstat (fd, &info) == 0 && S_ISREG (info.st_mode)'  '::fstat (fd, &info) == 0'
fault base-own-file     processor/UserSettings.cpp  'juce::PropertiesFile (juce::File(), withoutOwnDelay (o))'  'juce::PropertiesFile (f, o)'
fault save-in-setter    processor/UserSettings.cpp \
$'    if (fileOptions.millisecondsBeforeSaving >= 0)
        delayedSave.startTimer (fileOptions.millisecondsBeforeSaving);' \
$'    if (fileOptions.millisecondsBeforeSaving > 0)
        delayedSave.startTimer (fileOptions.millisecondsBeforeSaving);
    else if (fileOptions.millisecondsBeforeSaving == 0)
        saveIfNeeded();'
fault link-limit-2      processor/SettingsFile.h  'maxLinks = 40;'  'maxLinks = 2;'
fault lock-follows-link processor/UserSettings.cpp  'O_CLOEXEC | O_NOFOLLOW'  'O_CLOEXEC'
fault lock-shared       processor/UserSettings.cpp  '::flock (fd, LOCK_EX | LOCK_NB)'  '::flock (fd, LOCK_SH | LOCK_NB)'
fault pending-cleared-early processor/UserSettings.cpp \
$'    if (! SettingsFile::write (getFile(), bytes))
        return false;

    setNeedsToBeSaved (false);
    changedKeys.clear();
    firstRunKeys.clear();
    return true;' \
$'    setNeedsToBeSaved (false);
    changedKeys.clear();
    firstRunKeys.clear();
    return SettingsFile::write (getFile(), bytes);'
fault cloexec-from-4    ui/DocumentLauncher.cpp  'close_range (3, ~0u, CLOSE_RANGE_CLOEXEC)'  'close_range (4, ~0u, CLOSE_RANGE_CLOEXEC)'
fault close-loop-from-4 ui/DocumentLauncher.cpp  'for (int fd = 3; fd < descriptorLimit; ++fd)'  'for (int fd = 4; fd < descriptorLimit; ++fd)'
fault memory-stream-loaded cmake/juce-patches/04-refused-state-reported-as-loaded.patch \
$'readFromMemoryStream (state, loaded))
+                return loaded ? kResultTrue : kResultFalse;' \
$'readFromMemoryStream (state, loaded))
+                return kResultTrue;'
fault answered-pid-kept ui/SettingsFileChooser.cpp  $'before it reports.\n        dialogProcess = 0;'  'before it reports.'
fault bom-not-decoded   processor/UserSettings.cpp  'juce::String::createStringFromData (bytes.getData(), (int) bytes.getSize())'  'bytes.toString()'
fault mode-not-kept     processor/SettingsFile.cpp  '! replacing || ::fchmod (fd, existing.st_mode & 07777) == 0'  'true'
fault merge-removed-back processor/UserSettings.cpp  'merged.remove (juce::StringRef (key));'  'continue;'
fault unreadable-empties processor/UserSettings.cpp  'auto merged = readable ? onDisk : mine;'  'auto merged = onDisk;'
fault read-fd-leak      processor/SettingsFile.cpp  $'    ::close (fd);\n    return ok;'  '    return ok;'
fault read-leak-not-file processor/SettingsFile.cpp  'bool ok = ::fstat (fd, &info) == 0 && S_ISREG (info.st_mode);' \
                                                    'if (::fstat (fd, &info) != 0 || ! S_ISREG (info.st_mode)) return false; bool ok = true;'
fault read-inherited    processor/SettingsFile.cpp  'O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC'  'O_RDONLY | O_NONBLOCK | O_NOCTTY'
fault tips-of-any-window ui/SwitchableTooltipWindow.cpp  'if (delay == never || ! isOwn (component))'  'if (delay == never)'
fault close-loop-closes-pipe ui/DocumentLauncher.cpp  $'            if (fd != errorPipe)\n                close (fd);'  '            close (fd);'
fault close-range-closes ui/DocumentLauncher.cpp  'close_range (3, ~0u, CLOSE_RANGE_CLOEXEC)'  'close_range (3, ~0u, 0)'
fault exec-error-unwritten ui/DocumentLauncher.cpp  $'environ);\n                writeError (errorPipe[1], errno);'  'environ);'
fault exec-error-ignored ui/DocumentLauncher.cpp  'return got == 0;'  'return got >= 0;'
fault parent-skips-pipe ui/DocumentLauncher.cpp \
$'        int error = 0;
        ssize_t got;
        while ((got = read (errorPipe[0], &error, sizeof (error))) < 0 && errno == EINTR) {}
        close (errorPipe[0]);

        return got == 0;' \
$'        close (errorPipe[0]);
        return true;'
fault path-any-kind     ui/DocumentLauncher.cpp  'S_ISREG (info.st_mode) && access'  'access'
fault path-no-exec-check ui/DocumentLauncher.cpp  ' && access (candidate.c_str(), X_OK) == 0'  ''
fault path-no-follow    ui/DocumentLauncher.cpp  'stat (candidate.c_str(), &info)'  'lstat (candidate.c_str(), &info)'
fault relative-dot-only ui/DocumentLauncher.cpp  "folders[start] == '/'"  "folders[start] != '.'"
fault ctl-no-rewind    cmake/juce-patches/05-controller-takes-unfit-state.patch  'if (stream.seek (0, IBStream::kIBSeekSet, nullptr) != kResultTrue)'  'if (false)'
fault ctl-first-4096   cmake/juce-patches/05-controller-takes-unfit-state.patch  'for (;;)'  'while (allData.getDataSize() < sizeof (buffer))'

if [[ "${1:-}" == "-l" ]]; then
    for i in "${!names[@]}"; do printf '%-20s %s\n' "${names[$i]}" "${files[$i]}"; done
    exit 0
fi

selected=()
if [[ $# -eq 0 ]]; then
    selected=("${!names[@]}")
else
    for wanted in "$@"; do
        found=
        for i in "${!names[@]}"; do [[ "${names[$i]}" == "$wanted" ]] && selected+=("$i") && found=1; done
        [[ -n "$found" ]] || { echo "unknown fault: $wanted (-l lists them)" >&2; exit 2; }
    done
fi

exclude=${EXCLUDE:-}
if [[ -z "${DISPLAY:-}" ]]; then
    exclude="^(EditorWindow|HostedEditor)\.${exclude:+|$exclude}"
fi

# Per-user files of the test runs stay out of the user's own folders.
scratch=$(mktemp -d)
export XDG_CONFIG_HOME="$scratch/config" HOME="$scratch/home"
mkdir -p "$XDG_CONFIG_HOME" "$HOME"

active=
restore() {
    if [[ -n "$active" ]]; then
        cat "$scratch/original" > "$root/$active"
        active=
    fi
}
trap 'restore; rm -rf "$scratch"' EXIT
trap 'echo "interrupted"; exit 130' INT TERM

# One exact occurrence of the text, replaced; the text and replacement come
# through the environment so that no quoting gets in the way.
replace() {
    FROM="$2" TO="$3" perl -0777 -i -pe '
        BEGIN { $from = $ENV{FROM}; $to = $ENV{TO}; }
        $n = () = /\Q$from\E/g;
        die "found $n times\n" unless $n == 1;
        s/\Q$from\E/$to/;' "$1"
}

build() {
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >"$scratch/configure.log" 2>&1 \
        && cmake --build "$build" -j "$jobs" >"$scratch/build.log" 2>&1
}

run_tests() {
    local args=(--test-dir "$build" -j "$jobs" --timeout 300 --stop-on-failure)
    [[ -n "$exclude" ]] && args+=(-E "$exclude")
    ctest "${args[@]}" >"$scratch/test.log" 2>&1
}

echo "Baseline: building $build and running the tests without a fault"
build || { tail -20 "$scratch/build.log"; echo "the unchanged code does not build"; exit 1; }
run_tests || { grep -m 20 -E 'Failed|\*\*\*' "$scratch/test.log" || true; echo "the unchanged code fails its tests"; exit 1; }

caught=0 missed=0
for i in "${selected[@]}"; do
    name=${names[$i]} file=${files[$i]}
    cp "$root/$file" "$scratch/original"
    active=$file

    if ! replace "$root/$file" "${froms[$i]}" "${tos[$i]}" 2>"$scratch/replace.log"; then
        restore
        printf '%-20s NOT SEEDED  (%s: text %s)\n' "$name" "$file" "$(cat "$scratch/replace.log")"
        missed=$((missed + 1))
        continue
    fi

    if ! build; then
        restore
        printf '%-20s NOT SEEDED  (%s: does not build)\n' "$name" "$file"
        missed=$((missed + 1))
        continue
    fi

    if run_tests; then
        printf '%-20s MISSED      (%s)\n' "$name" "$file"
        missed=$((missed + 1))
    else
        failing=$(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*/\1/p' "$scratch/test.log" | awk 'NR <= 3' | paste -sd ' ' -)
        printf '%-20s caught      (%s) by %s\n' "$name" "$file" "${failing:-a failing test run}"
        caught=$((caught + 1))
    fi

    restore
done

echo "$caught caught, $missed missed"
[[ $missed -eq 0 ]]
