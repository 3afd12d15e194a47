#pragma once

#include <juce_core/juce_core.h>

/**
    The file side of the user's settings files: a settings file holds one state
    chunk (see StateChunk) from its first byte to its last, under the extension
    ".qwv".
*/
class SettingsFile
{
public:
    static constexpr const char* extension = ".qwv";

    /** No real chunk comes near this; a larger file is not a settings file. */
    static constexpr size_t maxFileSize = 1 << 20;

    /** The file that a save writes for the chosen one: the chosen path with
        ".qwv" appended when its last component has no extension or the path
        does not end with ".qwv" in any letter case. */
    static juce::File withSettingsExtension (const juce::File& chosen);

    /** The whole content of the file; false when it cannot be opened, is not
        a regular file or holds more than maxSize bytes. A device, a FIFO or a
        socket at the path (links followed) reads as no file: it is opened
        without waiting and left unread, so that a read never blocks. */
    static bool read (const juce::File& file, juce::MemoryBlock& content, size_t maxSize = maxFileSize);

    /** Makes the content the whole of the file. It is written to a temporary
        file beside the target, which replaces the target only once all of it
        is on disk; on any failure the target stays as it was. The new file
        keeps the target's permission bits; one that was not there gets 0644
        less the umask. A path that is a symbolic link stays one: the write
        goes to where it leads (see writeTarget), and fails when that is
        nowhere. Only a regular file is replaced, or a missing one created:
        the write fails and leaves anything else as it is (a folder, a device
        such as the /dev/null that a settings file is linked to so that
        nothing is kept, a FIFO, a socket). */
    static bool write (const juce::File& file, const juce::MemoryBlock& content);

    /** Links followed at most, as the kernel does (MAXSYMLINKS); a longer
        chain is taken for a loop. */
    static constexpr int maxLinks = 40;

    /** The file that a write to the path replaces. A path that is no symbolic
        link is itself. A link is followed to the end of its chain, each
        relative target read against the real folder of its link, as the
        kernel would: the end is an existing file, or the target of a dangling
        link when its folder exists. No file (juce::File()) when the chain is
        longer than maxLinks, ends in a folder or where no folder is, or a link
        cannot be read; a write then fails and leaves the link as it is. */
    static juce::File writeTarget (const juce::File& path);
};
