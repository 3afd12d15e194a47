#include "HostStateFraming.h"

#include <cstdint>
#include <cstring>

namespace
{
    using Range = HostStateFraming::Range;
    using Found = std::vector<Range>;

    constexpr size_t vstwFixedSize = 8;         // "VstW" and the header length
    constexpr int32_t vstwMinHeaderLength = 8;  // version and bypass
    constexpr size_t bankHeaderSize = 160;      // up to and with the chunk's size
    constexpr size_t bankChunkSizeOffset = 156;
    constexpr size_t presetMinSize = 48;
    constexpr size_t presetListOffsetOffset = 40;
    constexpr size_t listHeaderSize = 8;        // "List" and the entry count
    constexpr size_t listEntrySize = 20;        // id, 64-bit offset, 64-bit size

    constexpr char privateDataId[] = "JUCEPrivateData";
    constexpr size_t privateDataIdSize = sizeof (privateDataId) - 1;
    constexpr size_t privateTrailerSize = 8 + 8 + privateDataIdSize;   // zero, size, id

    // Value trees nest one level per child or array; the private data has
    // none, so a few levels are plenty.
    constexpr int maxTreeDepth = 8;

    // The state's bytes. The framing's checks come first, with holds(); the
    // reads check again and give 0 outside the bytes, so no read leaves them.
    struct Bytes
    {
        const uint8_t* data;
        size_t size;

        bool holds (size_t offset, uint64_t count) const noexcept
        {
            return offset <= size && count <= size - offset;
        }

        bool tagAt (size_t offset, const char* tag) const noexcept
        {
            return holds (offset, 4) && std::memcmp (data + offset, tag, 4) == 0;
        }

        uint32_t bigEndian32 (size_t offset) const noexcept
        {
            if (! holds (offset, 4))
                return 0;

            const auto* p = data + offset;
            return ((uint32_t) p[0] << 24) | ((uint32_t) p[1] << 16) | ((uint32_t) p[2] << 8) | p[3];
        }

        uint64_t littleEndian (size_t offset, int numBytes) const noexcept
        {
            if (! holds (offset, (uint64_t) numBytes))
                return 0;

            uint64_t value = 0;

            for (int i = numBytes; --i >= 0;)
                value = (value << 8) | data[offset + (size_t) i];

            return value;
        }
    };

    //==============================================================================
    /*  Checks that bytes hold a value tree the way the framework's reader
        (ValueTree::readFromData) reads one. That reader trusts every count: it
        reserves room for the children a count announces, allocates the size a
        binary value announces, loops over an array's count, recurses once per
        level, and negates a 32-bit count without looking at its sign. Here
        every count and size must lie within the bytes present, types and names
        are ASCII, and the nesting is bounded. */
    class TreeCheck
    {
    public:
        TreeCheck (const uint8_t* data, size_t size) : p (data), left (size) {}

        bool tree (int depth)
        {
            uint32_t numProperties = 0, numChildren = 0;

            if (depth > maxTreeDepth || ! asciiText (false) || ! count (numProperties))
                return false;

            for (uint32_t i = 0; i < numProperties; ++i)
                if (! asciiText (false) || ! value (depth))
                    return false;

            if (! count (numChildren))
                return false;

            for (uint32_t i = 0; i < numChildren; ++i)
                if (! tree (depth + 1))
                    return false;

            return true;
        }

    private:
        bool skip (uint64_t n) noexcept
        {
            if (n > left)
                return false;

            p += n;
            left -= (size_t) n;
            return true;
        }

        // A compressed int (a byte count, then that many little-endian bytes)
        // that is not negative and not more than the bytes that remain, which
        // is all a genuine count or size can be.
        bool count (uint32_t& result) noexcept
        {
            if (left == 0)
                return false;

            const auto sizeByte = *p;
            const size_t numBytes = sizeByte & 0x7f;

            if ((sizeByte & 0x80) != 0 || numBytes > 4 || ! skip (1) || numBytes > left)
                return false;

            uint32_t v = 0;

            for (size_t i = numBytes; i-- > 0;)
                v = (v << 8) | p[i];

            p += numBytes;
            left -= numBytes;
            result = v;
            return v <= left;
        }

        // A NUL-terminated text: not empty, unless allowed, and ASCII.
        bool asciiText (bool mayBeEmpty) noexcept
        {
            size_t length = 0;

            while (length < left && p[length] != 0)
                if (p[length++] >= 0x80)
                    return false;

            return length < left && (mayBeEmpty || length > 0) && skip (length + 1);
        }

        bool value (int depth)
        {
            uint32_t numBytes = 0;

            if (! count (numBytes))
                return false;

            if (numBytes == 0)
                return true;   // void

            const auto marker = *p;
            skip (1);
            const uint32_t payload = numBytes - 1;

            switch (marker)
            {
                case 1:  return payload == 4 && skip (4);        // int
                case 2:                                          // true
                case 3:  return payload == 0;                    // false
                case 4:                                          // double
                case 6:  return payload == 8 && skip (8);        // int64
                case 5:                                          // string
                    for (uint32_t i = 0; i < payload && i < left; ++i)
                        if (p[i] >= 0x80)
                            return false;

                    return skip (payload);

                case 7:                                          // array
                {
                    uint32_t numElements = 0;

                    if (depth >= maxTreeDepth || ! count (numElements))
                        return false;

                    for (uint32_t i = 0; i < numElements; ++i)
                        if (! value (depth + 1))
                            return false;

                    return true;
                }

                default: return skip (payload);                  // binary and others
            }
        }

        const uint8_t* p;
        size_t left;
    };

    //==============================================================================
    // Plug-in data, with the framework's private-data trailer checked when it
    // ends with one.
    bool addPluginData (const Bytes& bytes, const Range& r, Found& found)
    {
        const auto end = r.offset + r.size;

        if (r.size >= privateDataIdSize + 8
             && std::memcmp (bytes.data + end - privateDataIdSize, privateDataId, privateDataIdSize) == 0)
        {
            const auto privateSize = bytes.littleEndian (end - privateDataIdSize - 8, 8);

            if (r.size < privateTrailerSize || privateSize > r.size - privateTrailerSize)
                return false;

            // The zero field in front of the private data places it; a size
            // that is off shifts it onto other bytes.
            const auto privateStart = end - privateDataIdSize - 8 - (size_t) privateSize;

            if (bytes.littleEndian (privateStart - 8, 8) != 0)
                return false;

            if (privateSize > 0 && ! TreeCheck (bytes.data + privateStart, (size_t) privateSize).tree (0))
                return false;
        }

        found.push_back (r);
        return true;
    }

    bool addBank (const Bytes& bytes, const Range& r, Found& found)
    {
        if (r.size < bankHeaderSize || ! bytes.tagAt (r.offset, "CcnK") || ! bytes.tagAt (r.offset + 8, "FBCh"))
            return false;

        // The byte-size field after the magic is not read, as the framework
        // never read it: its own VST 2 hosting writes 0 there, so a bank that
        // a host hands over from the plug-in's VST 2 version may hold
        // anything. The chunk's size alone places the chunk.
        const auto chunkSize = (int32_t) bytes.bigEndian32 (r.offset + bankChunkSizeOffset);

        if (chunkSize < 0 || (size_t) chunkSize > r.size - bankHeaderSize)
            return false;

        return addPluginData (bytes, { r.offset + bankHeaderSize, (size_t) chunkSize }, found);
    }

    bool addVstW (const Bytes& bytes, const Range& r, Found& found)
    {
        if (r.size < vstwFixedSize || ! bytes.tagAt (r.offset, "VstW"))
            return false;

        const auto headerLength = (int32_t) bytes.bigEndian32 (r.offset + 4);

        if (headerLength < vstwMinHeaderLength || (size_t) headerLength > r.size - vstwFixedSize)
            return false;

        const auto bankOffset = vstwFixedSize + (size_t) headerLength;
        return addBank (bytes, { r.offset + bankOffset, r.size - bankOffset }, found);
    }

    // Offsets inside a preset image count from the image's start, which is
    // also the state's.
    bool addPresetImage (const Bytes& bytes, Found& found)
    {
        if (bytes.size < presetMinSize)
            return false;

        const auto listOffset = bytes.littleEndian (presetListOffsetOffset, 8);

        if (listOffset > bytes.size || ! bytes.holds ((size_t) listOffset, listHeaderSize)
             || ! bytes.tagAt ((size_t) listOffset, "List"))
            return false;

        const auto entryCount = (int32_t) bytes.littleEndian ((size_t) listOffset + 4, 4);
        const auto firstEntry = (size_t) listOffset + listHeaderSize;

        if (entryCount < 0 || ! bytes.holds (firstEntry, (uint64_t) entryCount * listEntrySize))
            return false;

        // Every entry must lie within the image before any is used.
        for (size_t i = 0; i < (size_t) entryCount; ++i)
        {
            const auto entry = firstEntry + i * listEntrySize;
            const auto offset = bytes.littleEndian (entry + 4, 8);
            const auto size = bytes.littleEndian (entry + 12, 8);

            if (offset > bytes.size || ! bytes.holds ((size_t) offset, size))
                return false;
        }

        for (size_t i = 0; i < (size_t) entryCount; ++i)
        {
            const auto entry = firstEntry + i * listEntrySize;

            if (bytes.tagAt (entry, "Comp"))
                if (! addVstW (bytes, { (size_t) bytes.littleEndian (entry + 4, 8), (size_t) bytes.littleEndian (entry + 12, 8) }, found))
                    return false;
        }

        return true;
    }
}

std::optional<std::vector<HostStateFraming::Range>> HostStateFraming::pluginData (const void* data, size_t size)
{
    const Bytes bytes { static_cast<const uint8_t*> (data), data != nullptr ? size : 0 };
    const Range all { 0, bytes.size };
    Found found;

    bool fits = false;

    if (bytes.tagAt (0, "VstW"))
        fits = addVstW (bytes, all, found);
    else if (bytes.tagAt (0, "CcnK"))
        fits = addBank (bytes, all, found);
    else if (bytes.tagAt (0, "VST3"))
        fits = addPresetImage (bytes, found);
    else
        fits = addPluginData (bytes, all, found);

    if (! fits)
        return std::nullopt;

    return found;
}
