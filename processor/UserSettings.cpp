#include "UserSettings.h"

#include <cstdlib>
#include <limits>

namespace
{
    // Serialises the read-merge-write of every settings object in this
    // process. The file lock below cannot: it is a record lock that the
    // process holds as a whole.
    juce::CriticalSection& instancesOfThisProcess()
    {
        static juce::CriticalSection lock;
        return lock;
    }

    // Serialises it with other processes of the same user. One object per
    // process: a second one on the same lock file would release the first's
    // lock when it closes its descriptor.
    juce::InterProcessLock& otherProcesses()
    {
        static juce::InterProcessLock lock ("Vantrel_Dither_settings_"
                                            + juce::File::createLegalFileName (juce::SystemStats::getLogonName()));
        return lock;
    }

    // A process that holds the lock only reads and writes one small file; one
    // that does not give it up within this time is not waited for longer.
    constexpr int lockTimeoutMs = 2000;
}

UserSettings::UserSettings (const juce::File& settingsFile, const juce::PropertiesFile::Options& o)
    : juce::PropertiesFile (settingsFile, o),
      fileOptions (o)
{
    lastSeen = getAllProperties();
}

UserSettings::~UserSettings()
{
    saveIfNeeded();

    // The framework's destructor would write the whole set over the file.
    setNeedsToBeSaved (false);
}

juce::PropertiesFile::Options UserSettings::options (const juce::String& name, const juce::String& osxSubFolder)
{
    juce::PropertiesFile::Options o;
    o.applicationName = name;
    o.folderName = name;
    o.filenameSuffix = ".settings";
    o.osxLibrarySubFolder = osxSubFolder;
    return o;
}

juce::File UserSettings::fileFor (const juce::PropertiesFile::Options& o)
{
   #if JUCE_LINUX || JUCE_BSD
    // The XDG configuration folder: $XDG_CONFIG_HOME when it names an absolute
    // path, else what the framework gives (~/.config).
    auto folder = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
    if (const auto* xdg = std::getenv ("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
        folder = juce::File (juce::String::fromUTF8 (xdg));

    if (folder != juce::File())
        return folder.getChildFile (o.folderName).getChildFile (o.applicationName + o.filenameSuffix);
   #endif

    return o.getDefaultFile();
}

std::unique_ptr<juce::PropertiesFile> UserSettings::open (const juce::PropertiesFile::Options& o)
{
    return std::make_unique<juce::PropertiesFile> (fileFor (o), o);
}

std::unique_ptr<UserSettings> UserSettings::openForProduct (const juce::String& productName)
{
    const auto name = productName.replace ("Vantrel ", "").replaceCharacter (' ', '_');
    const auto o = options (name, "Application Support");
    auto settings = std::make_unique<UserSettings> (fileFor (o), o);

    if (settings->getFile().exists())
        return settings;

    const auto legacyName = productName.replaceCharacter (' ', '_');

    for (auto* subFolder : { "Application Support", "Preferences" })
    {
        auto legacy = open (options (legacyName, subFolder));

        if (legacy->getFile().exists())
        {
            settings->addAllPropertiesFrom (*legacy);
            settings->save();
            return settings;
        }
    }

    // The first-run values are the settings a new processor starts with. They
    // fill only the keys that the file lacks when they are written, so that an
    // instance that started alongside and saved first keeps its values.
    settings->setValue (ditherTypeKey, juce::String (0));
    settings->setValue (noiseShapingKey, juce::String (0));
    settings->setValue (bitDepthKey, juce::String (0));
    settings->setValue (tooltipsKey, juce::String (1));

    const juce::ScopedLock sl (settings->getLock());
    settings->firstRunKeys.swapWith (settings->changedKeys);
    return settings;
}

int UserSettings::parseInt (const juce::String& text) noexcept
{
    auto p = text.getCharPointer().findEndOfWhitespace();
    bool negative = false;

    if (*p == '-' || *p == '+')
    {
        negative = *p == '-';
        ++p;
    }

    juce::int64 value = 0;
    const juce::int64 limit = negative ? -(juce::int64) std::numeric_limits<int>::min()
                                       : (juce::int64) std::numeric_limits<int>::max();

    while (*p >= '0' && *p <= '9')
    {
        value = juce::jmin (limit, value * 10 + (juce::int64) (*p - '0'));
        ++p;
    }

    return (int) (negative ? -value : value);
}

//==============================================================================
bool UserSettings::reload()
{
    return mergeWithFile (false);
}

bool UserSettings::save()
{
    return mergeWithFile (true);
}

bool UserSettings::saveIfNeeded()
{
    return ! needsToBeSaved() || save();
}

void UserSettings::timerCallback()
{
    saveIfNeeded();
}

void UserSettings::propertyChanged()
{
    {
        // Called with the lock held by the property set's setters.
        const juce::ScopedLock sl (getLock());
        const auto& now = getAllProperties();

        for (int i = 0; i < now.size(); ++i)
        {
            const auto& key = now.getAllKeys()[i];
            if (! lastSeen.containsKey (key) || lastSeen[key] != now.getAllValues()[i])
                changedKeys.addIfNotAlreadyThere (key);
        }

        for (auto& key : lastSeen.getAllKeys())
            if (! now.containsKey (key))
                changedKeys.addIfNotAlreadyThere (key);

        lastSeen = now;
    }

    juce::PropertiesFile::propertyChanged();
}

bool UserSettings::mergeWithFile (bool write)
{
    const juce::ScopedLock inProcess (instancesOfThisProcess());

    // Without the lock (no /var/tmp to hold it, or a process that keeps it)
    // the merge still runs: losing a race is better than losing the values.
    auto& processLock = otherProcesses();
    const bool locked = processLock.enter (lockTimeoutMs);
    const juce::ScopedLock sl (getLock());

    auto readOnly = fileOptions;
    readOnly.doNotSave = true;
    readOnly.processLock = nullptr;
    juce::PropertiesFile onDisk (getFile(), readOnly);

    // A file that is there but cannot be read gives nothing to take over:
    // this instance's values stand for it.
    const auto& mine = getAllProperties();
    auto merged = onDisk.isValidFile() ? onDisk.getAllProperties() : mine;

    for (auto& key : changedKeys)
    {
        if (mine.containsKey (key))
            merged.set (key, mine[key]);
        else
            merged.remove (juce::StringRef (key));
    }

    for (auto& key : firstRunKeys)
        if (mine.containsKey (key) && ! merged.containsKey (key))
            merged.set (key, mine[key]);

    getAllProperties() = merged;
    lastSeen = merged;

    bool ok = true;

    if (write)
    {
        // The framework's save writes the merged set through a temporary
        // file and clears the pending flag.
        ok = juce::PropertiesFile::save();

        if (ok)
        {
            changedKeys.clear();
            firstRunKeys.clear();
        }
    }

    if (locked)
        processLock.exit();

    return ok;
}

//==============================================================================
void UserSettings::storeDefaults (int ditherType, int noiseShaping, int bitDepth)
{
    // Read first: a value equal to the one this instance last saw would
    // otherwise not count as a change, and the file could keep another's.
    reload();
    setValue (ditherTypeKey, juce::String (ditherType));
    setValue (noiseShapingKey, juce::String (noiseShaping));
    setValue (bitDepthKey, juce::String (bitDepth));
}

bool UserSettings::tooltipsOn()
{
    reload();
    return getValue (tooltipsKey, "1") == "1";
}

bool UserSettings::switchTooltips()
{
    const bool on = ! tooltipsOn();
    setValue (tooltipsKey, on ? "1" : "0");
    return on;
}
