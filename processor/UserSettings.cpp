#include "UserSettings.h"

#include "SettingsFile.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    // Serialises the read-merge-write of every settings object in this
    // process. The file lock below serialises processes; within one process
    // this lock comes first, so that no instance waits for a lock that
    // another of this process holds.
    juce::CriticalSection& instancesOfThisProcess()
    {
        static juce::CriticalSection lock;
        return lock;
    }

    // A process that holds the lock only reads and writes one small file; one
    // that does not give it up within this time is not waited for longer.
    constexpr int lockTimeoutMs = 2000;

    /** The lock that serialises the merge with the other processes of this
        user: an flock() on a lock file beside the settings file, in the
        user's own configuration folder, where no other user can create or
        hold it. An flock belongs to the open file, not to the process, so
        every merge opens the file afresh and closing it releases the lock.
        The file stays (removing it would let two processes lock two files). */
    class SettingsFileLock
    {
    public:
        SettingsFileLock (const juce::File& lockFile, int timeoutMs)
        {
            // No link is followed at the last step: the lock file is ours. Nor
            // does the open wait, whatever was put there (a terminal device).
            fd = ::open (lockFile.getFullPathName().toRawUTF8(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);

            if (fd < 0)
                return;

            const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

            for (;;)
            {
                if (::flock (fd, LOCK_EX | LOCK_NB) == 0)
                    return;

                if ((errno != EWOULDBLOCK && errno != EINTR) || juce::Time::getMillisecondCounter() >= end)
                    return;

                juce::Thread::sleep (10);
            }
        }

        ~SettingsFileLock()
        {
            if (fd >= 0)
                ::close (fd);
        }

    private:
        int fd = -1;

        JUCE_DECLARE_NON_COPYABLE (SettingsFileLock)
    };

    // The base class gets no delay of its own: its timer would only be stopped
    // by its own save, which this class does not use (see mergeWithFile).
    juce::PropertiesFile::Options withoutOwnDelay (juce::PropertiesFile::Options o)
    {
        o.millisecondsBeforeSaving = -1;
        return o;
    }

    // Whether a file or a folder is at the path, links followed. A device, a
    // FIFO or a socket there counts as no file.
    bool isThere (const juce::File& file)
    {
        struct stat info {};
        return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0
            && (S_ISREG (info.st_mode) || S_ISDIR (info.st_mode));
    }

    // The values of a settings file, taken from its XML as the framework's
    // properties file takes them (its binary format is not read: these
    // options store XML), but read through SettingsFile::read, which never
    // waits and reads regular files only. The bytes are decoded as the
    // framework decodes a file's text (String::createStringFromData): a UTF-8
    // byte-order mark is skipped, and after one of UTF-16, in either byte
    // order, the rest is UTF-16; so a file that an editor saved so still gives
    // its values. No file (see isThere) holds no values; false, as the
    // framework's isValidFile(), when one is there but holds no set of values.
    bool readValues (const juce::File& file, juce::StringPairArray& values)
    {
        if (! isThere (file))
            return true;

        juce::MemoryBlock bytes;
        if (! SettingsFile::read (file, bytes, (size_t) std::numeric_limits<int>::max()))
            return false;

        const auto text = juce::String::createStringFromData (bytes.getData(), (int) bytes.getSize());
        const auto doc = juce::parseXMLIfTagMatches (text, "PROPERTIES");
        if (doc == nullptr)
            return false;

        for (auto* e : doc->getChildWithTagNameIterator ("VALUE"))
        {
            const auto name = e->getStringAttribute ("name");

            if (name.isNotEmpty())
                values.set (name, e->getFirstChildElement() != nullptr
                                      ? e->getFirstChildElement()->toString (juce::XmlElement::TextFormat().singleLine().withoutHeader())
                                      : e->getStringAttribute ("val"));
        }

        return true;
    }
}

UserSettings::UserSettings (const juce::File& f, const juce::PropertiesFile::Options& o)
    : juce::PropertiesFile (juce::File(), withoutOwnDelay (o)),
      settingsFile (f),
      fileOptions (o),
      delayedSave (*this)
{
    readValues (settingsFile, getAllProperties());
    lastSeen = getAllProperties();
}

UserSettings::~UserSettings()
{
    delayedSave.stopTimer();
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

std::unique_ptr<UserSettings> UserSettings::openForProduct (const juce::String& productName)
{
    const auto name = productName.replace ("Vantrel ", "").replaceCharacter (' ', '_');
    const auto o = options (name, "Application Support");
    auto settings = std::make_unique<UserSettings> (fileFor (o), o);

    if (isThere (settings->getFile()))
        return settings;

    const auto legacyName = productName.replaceCharacter (' ', '_');

    for (auto* subFolder : { "Application Support", "Preferences" })
    {
        const auto legacyFile = fileFor (options (legacyName, subFolder));

        if (isThere (legacyFile))
        {
            juce::PropertySet legacy;
            readValues (legacyFile, legacy.getAllProperties());
            settings->addAllPropertiesFrom (legacy);
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

juce::File UserSettings::lockFile() const
{
    return getFile().getSiblingFile (getFile().getFileName() + ".lock");
}

void UserSettings::DelayedSave::timerCallback()
{
    stopTimer();
    owner.saveIfNeeded();
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

    // The base class marks the set as needing a write; the write follows
    // after the options' delay. With a delay of 0 it follows at the timer's
    // first tick, never from here: the setters hold the property set's lock,
    // and a merge takes it after the lock of this process's instances.
    juce::PropertiesFile::propertyChanged();

    if (fileOptions.millisecondsBeforeSaving >= 0)
        delayedSave.startTimer (fileOptions.millisecondsBeforeSaving);
}

bool UserSettings::mergeWithFile (bool write)
{
    const juce::ScopedLock inProcess (instancesOfThisProcess());

    // The lock file needs the folder; a write creates it anyway.
    if (write)
        getFile().getParentDirectory().createDirectory();

    // Without the lock (the folder cannot hold the lock file, or a process
    // keeps it) the merge still runs: losing a race is better than losing the
    // values.
    const SettingsFileLock otherProcesses (lockFile(), lockTimeoutMs);
    const juce::ScopedLock sl (getLock());

    juce::StringPairArray onDisk (fileOptions.ignoreCaseOfKeyNames);
    const bool readable = readValues (getFile(), onDisk);

    // A file that is there but cannot be read gives nothing to take over:
    // this instance's values stand for it.
    const auto& mine = getAllProperties();
    auto merged = readable ? onDisk : mine;

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

    if (! write)
        return true;

    // Whatever the outcome, the pending delayed write is this one.
    delayedSave.stopTimer();

    // The framework's XML format, written as SettingsFile writes: through a
    // temporary file that replaces the file, or the file that a symbolic link
    // leads to, so that a linked settings file stays linked.
    const auto text = toXml (merged).toString();
    const juce::MemoryBlock bytes (text.toRawUTF8(), text.getNumBytesAsUTF8());

    if (! SettingsFile::write (getFile(), bytes))
        return false;

    setNeedsToBeSaved (false);
    changedKeys.clear();
    firstRunKeys.clear();
    return true;
}

juce::XmlElement UserSettings::toXml (const juce::StringPairArray& values)
{
    // As the framework's save writes it: a value that parses as XML is kept
    // as an element, any other as an attribute.
    juce::XmlElement doc ("PROPERTIES");

    for (int i = 0; i < values.size(); ++i)
    {
        auto* e = doc.createNewChildElement ("VALUE");
        e->setAttribute ("name", values.getAllKeys()[i]);

        if (auto child = juce::parseXML (values.getAllValues()[i]))
            e->addChildElement (child.release());
        else
            e->setAttribute ("val", values.getAllValues()[i]);
    }

    return doc;
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
