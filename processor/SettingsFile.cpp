#include "SettingsFile.h"

juce::File SettingsFile::withSettingsExtension (const juce::File& chosen)
{
    const auto path = chosen.getFullPathName();

    if (chosen.getFileExtension().isEmpty() || ! path.toLowerCase().endsWith (extension))
        return juce::File (path + extension);

    return chosen;
}

bool SettingsFile::read (const juce::File& file, juce::MemoryBlock& content)
{
    juce::FileInputStream in (file);

    if (! in.openedOk())
        return false;

    // One byte more than allowed tells a file at the bound from a larger one.
    content.reset();
    const auto bytesRead = in.readIntoMemoryBlock (content, (ssize_t) (maxFileSize + 1));

    if (bytesRead > maxFileSize)
    {
        content.reset();
        return false;
    }

    return true;
}

bool SettingsFile::write (const juce::File& file, const juce::MemoryBlock& content)
{
    juce::TemporaryFile temporary (file, juce::TemporaryFile::useHiddenFile);

    {
        juce::FileOutputStream out (temporary.getFile(), 32768);

        if (! out.openedOk())
            return false;

        out.write (content.getData(), content.getSize());
        out.flush();

        if (! out.getStatus().wasOk())
            return false;
    }

    // The stream reports a short write only through the file's size.
    if (temporary.getFile().getSize() != (juce::int64) content.getSize())
        return false;

    return temporary.overwriteTargetFileWithTemporary();
}
