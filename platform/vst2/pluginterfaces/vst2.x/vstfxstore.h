// Layout of the VST 2 bank header that the VST3 wrapper writes in front of the
// processor's state chunk when it stands in for an older VST 2 build of the same
// plug-in. Only the opaque-chunk form of a bank is declared: the wrapper never
// writes or reads anything else.
//
// The wrapper includes this file inside a namespace of its own, so it must not
// include anything itself. All fields are 32-bit and stored big-endian by the
// wrapper; the structure has no padding.
#pragma once

struct fxBank
{
    int chunkMagic;      // 'CcnK'
    int byteSize;        // size of what follows this field
    int fxMagic;         // 'FBCh': a bank stored as one opaque chunk
    int version;         // format version
    int fxID;            // the plug-in's unique id
    int fxVersion;       // the plug-in's version code
    int numPrograms;
    char future[128];    // reserved, zero

    union
    {
        struct
        {
            int size;      // size of the chunk that follows
            char chunk[8]; // the chunk; the real one runs on past this array
        } data;
    } content;
};

static_assert (sizeof (int) == 4, "the bank header has 32-bit fields");
static_assert (__builtin_offsetof (fxBank, content) == 156, "the bank header is 160 bytes before its chunk");
