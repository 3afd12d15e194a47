#pragma once

#include <cstddef>
#include <optional>
#include <vector>

/**
    The framing that the framework's VST3 component puts around the processor's
    state in the host's project, read with every length, offset and count
    checked against the bytes present. The component's restore (a build step
    patches the framework's wrapper to call this) loads nothing unless the
    whole framing fits.

    A component state is one of:
    - "VstW", a big-endian header length (at least 8: version and bypass) and
      that many header bytes, then a bank;
    - a bank: the 160-byte "CcnK"/"FBCh" header, whose last field is the
      chunk's size, then the chunk (its byte size field, the chunk's size +
      152 when the framework writes it, is not read);
    - a "VST3" preset image: its 64-bit list offset at byte 40 leads to "List",
      an entry count and 20-byte entries (id, 64-bit offset and size); each
      "Comp" entry holds a "VstW" state;
    - anything else: the plug-in's data as it stands.

    The plug-in's data (the chunk) may end with the framework's private-data
    trailer: 8 zero bytes, the private data (a serialised value tree), its
    size as a little-endian 64-bit number, and "JUCEPrivateData".
*/
class HostStateFraming
{
public:
    /** A run of bytes, as offset and size from the start of the state. */
    struct Range
    {
        size_t offset = 0, size = 0;
    };

    /** The plug-in data that the state holds, in the order the framework hands
        them on: one range unless a preset image has several "Comp" entries,
        none for a preset image without one. Nothing when the state has one of
        the framings above but it does not fit the bytes present, or a
        private-data trailer whose size or content does not. */
    static std::optional<std::vector<Range>> pluginData (const void* data, size_t size);
};
