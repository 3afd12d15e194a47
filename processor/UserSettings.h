#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <memory>

/**
    The per-user settings file of the processor: where it lives, how it is
    opened, taken over from the older file name, or given first-run values.

    Every instance of the processor, in this process or another, holds one of
    these on the same file, and each writes its whole set. So that no write
    drops a value that another instance wrote meanwhile, a write first reads
    the file again and keeps its values for every key except those that this
    instance changed since its own last write; the read and the write happen
    under a lock of this process's instances and a lock file beside the
    settings file (see lockFile) that the user's other processes take. Reading
    the tooltip switch reads the file again the same way. A write replaces the
    file through a temporary file; a settings file that is a symbolic link is
    written through to where it leads (SettingsFile::write) and stays a link.

    Through this class, save(), saveIfNeeded() and reload() merge as above;
    they hide the framework's versions, which would write or read the whole set
    over the other. The delayed save and the destructor use them too.

    Only a regular file is read or replaced (see SettingsFile): a path that
    leads to a device, a FIFO or a socket (a link to /dev/null, so that no
    settings are kept) reads as no file, and every write to it fails, which
    leaves it as it is. No read waits for such a file. So the framework's base
    class holds the values only and is given no file, as it would read the
    file when constructed; getFile() hides its version.
*/
class UserSettings : public juce::PropertiesFile
{
public:
    static constexpr const char* ditherTypeKey = "zeTyc4KU5HB";
    static constexpr const char* noiseShapingKey = "WMFLWlN9u2G";
    static constexpr const char* bitDepthKey = "VgVZZ62N1QI";
    static constexpr const char* tooltipsKey = "Rj3PktA2kCQ";

    /** Opens the file and loads it, if it exists. */
    UserSettings (const juce::File& settingsFile, const juce::PropertiesFile::Options& options);

    /** Writes what this instance changed and has not written yet. */
    ~UserSettings() override;

    /** The settings file. */
    const juce::File& getFile() const noexcept   { return settingsFile; }

    /** The options for a settings file named after the given name. */
    static juce::PropertiesFile::Options options (const juce::String& name, const juce::String& osxSubFolder);

    /** Where the file of the options lives. On Linux that is the user's
        configuration folder ($XDG_CONFIG_HOME, else ~/.config) rather than a
        folder of its own in the home folder. */
    static juce::File fileFor (const juce::PropertiesFile::Options& options);

    /** Opens the current file for the product; if it does not exist yet (or
        is no file, as a device is), takes over the file under the older name
        (copying every key and saving at once) or, failing that, sets the
        first-run values, which the delayed save writes later. */
    static std::unique_ptr<UserSettings> openForProduct (const juce::String& productName);

    /** Decimal integer text as the settings store it: leading white space,
        an optional sign and digits; no digits gives 0, and a number beyond the
        int range gives the nearest end of the range. */
    static int parseInt (const juce::String& text) noexcept;

    //==============================================================================
    /** Takes the file's current values for every key that this instance has
        not changed since its last write. */
    bool reload();

    /** Writes now: the file's current values, with the keys that this
        instance changed since its last write taken from this instance. */
    bool save();

    /** Writes as save() does if anything changed since the last write. */
    bool saveIfNeeded();

    //==============================================================================
    /** Stores the three default dither settings ("Save as Default"); the
        delayed save writes them. */
    void storeDefaults (int ditherType, int noiseShaping, int bitDepth);

    /** Whether tooltips are on, as the file holds the switch now: "1" or no
        value is on, anything else off. */
    bool tooltipsOn();

    /** Stores the opposite of the switch as the file holds it now and returns
        the new state; the delayed save writes it. */
    bool switchTooltips();

    /** The lock file that serialises the merge with other processes: the
        settings file's name with ".lock" appended, beside it. */
    juce::File lockFile() const;

private:
    void propertyChanged() override;

    bool mergeWithFile (bool write);

    /** The set in the framework's XML format for properties files. */
    static juce::XmlElement toXml (const juce::StringPairArray& values);

    /** Writes what is pending once the options' delay has passed since the
        last change. */
    struct DelayedSave : juce::Timer
    {
        explicit DelayedSave (UserSettings& o) : owner (o) {}
        void timerCallback() override;
        UserSettings& owner;
    };

    const juce::File settingsFile;
    juce::PropertiesFile::Options fileOptions;
    DelayedSave delayedSave;

    // Guarded by the property set's lock.
    juce::StringPairArray lastSeen { false };   // the values after the last change, read or write
    juce::StringArray changedKeys;              // set or removed here since the last write
    juce::StringArray firstRunKeys;             // first-run values: written only where the file has none

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UserSettings)
};
