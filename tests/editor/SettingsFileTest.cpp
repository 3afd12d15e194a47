#include "EditorTestSupport.h"

#include "processor/SettingsFile.h"
#include "processor/StateChunk.h"
#include "ui/SettingsFileChooser.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <future>
#include <limits>
#include <sys/resource.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    /** Answers the dialogs at once with a chosen file, or cancels them, and
        records what was asked. */
    struct ScriptedChooser : SettingsFileChooser
    {
        void chooseFileToLoad (Callback onChosen) override   { ++loads; onChosen (file); }
        void chooseFileToSave (Callback onChosen) override   { ++saves; onChosen (file); }

        juce::File file;   // none: cancel
        int loads = 0, saves = 0;
    };

    struct SettingsFiles : ::testing::Test
    {
        SettingsFiles()
        {
            auto owned = std::make_unique<ScriptedChooser>();
            chooser = owned.get();
            plugin.setSettingsFileChooser (std::move (owned));
            folder.createDirectory();
        }

        ~SettingsFiles() override   { folder.deleteRecursively(); }

        void settle()
        {
            plugin.clearDspChanged();
            plugin.getUiChangedParam();
            plugin.acknowledgeUiChange();
        }

        void setSettings (bool bypass, int dither, int shaping, int depth, bool ab)
        {
            plugin.bypass = bypass;
            plugin.ditherType = dither;
            plugin.noiseShaping = shaping;
            plugin.bitDepth = depth;
            plugin.enaAB = ab;
        }

        void save (const juce::File& f)   { chooser->file = f; plugin.saveSettingsFile(); }
        void load (const juce::File& f)   { chooser->file = f; plugin.loadSettingsFile(); }

        juce::MemoryBlock chunk()
        {
            juce::MemoryBlock block;
            plugin.getStateInformation (block);
            return block;
        }

        JucePlugin plugin;
        ScriptedChooser* chooser = nullptr;
        juce::File folder = juce::File::createTempFile ("vantrel-settings-files");
    };

    juce::MemoryBlock contentOf (const juce::File& file)
    {
        juce::MemoryBlock block;
        file.loadFileAsData (block);
        return block;
    }

    /** What the processor tells its host: parameter changes, and state
        changes that no parameter shows. */
    struct HostNotices : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override   { ++parameters; }
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& d) override { states += d.nonParameterStateChanged ? 1 : 0; }
        int parameters = 0, states = 0;
    };

    /** The names in the folder, links too, whether or not they lead anywhere. */
    juce::StringArray entries (const juce::File& folder)
    {
        juce::StringArray names;

        if (auto* dir = ::opendir (folder.getFullPathName().toRawUTF8()))
        {
            while (auto* e = ::readdir (dir))
                if (juce::String (e->d_name) != "." && juce::String (e->d_name) != "..")
                    names.add (e->d_name);

            ::closedir (dir);
        }

        names.sort (false);
        return names;
    }

    /** The permission bits of the file, and those that a new file gets. */
    mode_t modeOf (const juce::File& f)   { struct stat info {}; return ::stat (f.getFullPathName().toRawUTF8(), &info) == 0 ? info.st_mode & 07777 : 0; }
    mode_t newFileMode()                  { const auto mask = ::umask (0); ::umask (mask); return 0644 & ~mask; }
    /** Makes a FIFO, a Unix socket or a character device (as /dev/null is). */
    bool makeNode (const juce::File& path, mode_t kind)
    {
        if (kind != S_IFSOCK)
            return ::mknod (path.getFullPathName().toRawUTF8(), kind | 0600, makedev (1, 3)) == 0;

        sockaddr_un address { AF_UNIX, {} };
        path.getFullPathName().copyToUTF8 (address.sun_path, sizeof (address.sun_path));
        const int fd = ::socket (AF_UNIX, SOCK_STREAM, 0);
        const bool bound = ::bind (fd, (const sockaddr*) &address, sizeof (address)) == 0;
        ::close (fd);
        return bound;
    }

    /** Whether the call returns within 5 s, on a thread of its own. One that
        waits on the FIFO longer is let go by a writer opening it. */
    template <typename Call>
    bool returnsAtOnce (Call call, const juce::File& fifo)
    {
        auto done = std::async (std::launch::async, call);
        const bool atOnce = done.wait_for (std::chrono::seconds (5)) == std::future_status::ready;
        while (done.wait_for (std::chrono::milliseconds (10)) != std::future_status::ready)
            ::close (::open (fifo.getFullPathName().toRawUTF8(), O_WRONLY | O_NONBLOCK));
        return atOnce;
    }

    std::vector<float> stores (JucePlugin& p)
    {
        std::vector<float> v;
        for (int i = 0; i < 4; ++i) { v.push_back (p.aBuf[i]); v.push_back (p.bBuf[i]); }
        return v;
    }

    std::atomic<bool> watchingDescriptors { false };
    std::atomic<int> inheritableDescriptors { 0 };
}

// The C library's fstat, as waitpid and kill below: counts what a watched read opened that a child would inherit.
extern "C" int fstat (int fd, struct stat* info) noexcept
{
    inheritableDescriptors += watchingDescriptors && (::fcntl (fd, F_GETFD) & FD_CLOEXEC) == 0 ? 1 : 0;
    return ::fstatat (fd, "", info, AT_EMPTY_PATH);
}

TEST_F (SettingsFiles, CancellingEitherDialogChangesNothing)
{
    setSettings (true, 2, 1, 2, false);
    settle();
    const auto before = chunk();

    load ({});
    save ({});

    EXPECT_EQ (chooser->loads, 1);
    EXPECT_EQ (chooser->saves, 1);
    EXPECT_EQ (chunk(), before);
    EXPECT_EQ (plugin.getDspChangedParam(), -1);
    EXPECT_EQ (plugin.getUiChangedParam(), -1);
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
}

TEST_F (SettingsFiles, ASavedFileLoadsBackEverythingAndMarksBoth)
{
    setSettings (true, 2, 3, 1, true);
    for (int i = 0; i < 4; ++i) { plugin.aBuf[i] = 0.1f * (float) (i + 1); plugin.bBuf[i] = 1.0f / 3.0f + (float) i; }
    const auto saved = chunk();
    const auto savedStores = stores (plugin);

    const auto file = folder.getChildFile ("mix.qwv");
    save (file);

    // The file is the chunk of the host state, byte for byte.
    EXPECT_EQ (contentOf (file), saved);

    setSettings (false, 0, 0, 0, false);
    for (int i = 0; i < 4; ++i) { plugin.aBuf[i] = 0.0f; plugin.bBuf[i] = 0.0f; }
    settle();
    plugin.markUiChanged (2);

    load (file);

    EXPECT_TRUE (plugin.bypass);
    EXPECT_EQ (plugin.ditherType, 2);
    EXPECT_EQ (plugin.noiseShaping, 3);
    EXPECT_EQ (plugin.bitDepth, 1);
    EXPECT_TRUE (plugin.enaAB);
    EXPECT_EQ (stores (plugin), savedStores);
    EXPECT_EQ (plugin.getDspChangedParam(), 5);
    EXPECT_EQ (plugin.getUiChangedParam(), 5);
}

TEST_F (SettingsFiles, ThePlainChunkLoadsWhateverTheFileIsCalled)
{
    setSettings (false, 1, 2, 2, false);
    const auto file = folder.getChildFile ("from the host.txt");
    ASSERT_TRUE (file.replaceWithData (chunk().getData(), chunk().getSize()));

    setSettings (false, 0, 0, 0, false);
    load (file);
    EXPECT_EQ (plugin.ditherType, 1);
    EXPECT_EQ (plugin.noiseShaping, 2);
    EXPECT_EQ (plugin.bitDepth, 2);

    // Number fields are decimal only, as in the host's state.
    juce::XmlElement words ("1364678210");
    words.setAttribute ("fxDitherType", "Infinity");
    words.setAttribute ("fxNoiseShaping", "nan");
    words.setAttribute ("fxBitDepth", "1e400");
    words.setAttribute ("A_Buf0", "-inf");
    juce::MemoryBlock wordsChunk;
    StateChunk::write (words, wordsChunk);
    ASSERT_TRUE (file.replaceWithData (wordsChunk.getData(), wordsChunk.getSize()));
    plugin.aBuf[0] = 0.5f;
    load (file);
    EXPECT_EQ (plugin.ditherType, 0);
    EXPECT_EQ (plugin.noiseShaping, 0);
    EXPECT_EQ (plugin.bitDepth, std::numeric_limits<int>::max());
    EXPECT_EQ (plugin.aBuf[0].load(), 0.0f);
}

TEST_F (SettingsFiles, FilesWithoutAChunkOfThisPlugInLoadNothing)
{
    setSettings (true, 2, 3, 2, true);
    const auto good = chunk();

    // The state as a host keeps it: the framework's headers in front of the chunk.
    juce::MemoryBlock hostState;
    {
        juce::MemoryOutputStream out (hostState, false);
        out.write ("VstW", 4);
        out.writeIntBigEndian (8);
        out.writeIntBigEndian (1);
        out.writeIntBigEndian (0);
        out.write ("CcnK", 4);
        out.writeIntBigEndian ((int) good.getSize() + 152);
        out.write ("FBCh", 4);
        for (int i = 0; i < 37; ++i)
            out.writeIntBigEndian (0);
        out << good;
    }

    juce::MemoryBlock otherTag;
    StateChunk::write (juce::XmlElement ("1364678211"), otherTag);

    const std::pair<const char*, juce::MemoryBlock> files[] = {
        { "host state.qwv", hostState },
        { "empty.qwv", {} },
        { "text.qwv", juce::MemoryBlock ("not a chunk at all", 18) },
        { "other plug-in.qwv", otherTag },
        { "just the magic.qwv", juce::MemoryBlock ("VC2!", 4) },
    };

    setSettings (false, 0, 0, 0, false);
    settle();
    const auto before = chunk();

    for (const auto& [name, bytes] : files)
    {
        const auto file = folder.getChildFile (name);
        ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));
        load (file);
        EXPECT_EQ (chunk(), before) << name;
        EXPECT_EQ (plugin.getDspChangedParam(), -1) << name;
        EXPECT_EQ (plugin.getUiChangedParam(), -1) << name;
    }

    // A folder or a file that does not exist cannot be opened.
    load (folder);
    load (folder.getChildFile ("missing.qwv"));
    EXPECT_EQ (chunk(), before);
    EXPECT_EQ (plugin.getUiChangedParam(), -1);
}

TEST_F (SettingsFiles, AFileAboveTheBoundIsNotASettingsFile)
{
    setSettings (true, 2, 3, 2, true);

    // A real chunk at the front, padded far beyond any real one.
    auto padded = chunk();
    padded.setSize (SettingsFile::maxFileSize + 1, true);
    const auto big = folder.getChildFile ("big.qwv");
    ASSERT_TRUE (big.replaceWithData (padded.getData(), padded.getSize()));

    setSettings (false, 0, 0, 0, false);
    settle();
    load (big);
    EXPECT_EQ (plugin.ditherType, 0);
    EXPECT_EQ (plugin.getUiChangedParam(), -1);

    // At the bound itself it still loads.
    padded.setSize (SettingsFile::maxFileSize, true);
    ASSERT_TRUE (big.replaceWithData (padded.getData(), padded.getSize()));
    load (big);
    EXPECT_EQ (plugin.ditherType, 2);
}

TEST_F (SettingsFiles, SavesAreRepeatableAndReplaceLongerFilesWhole)
{
    setSettings (false, 1, 1, 1, false);
    const auto first = folder.getChildFile ("a.qwv");
    const auto second = folder.getChildFile ("b.qwv");
    save (first);
    save (second);

    EXPECT_EQ (contentOf (first), contentOf (second));

    // Over a longer file, and over one that holds a chunk already: exactly
    // the new chunk is left.
    juce::MemoryBlock longer;
    longer.setSize (4096, true);
    ASSERT_TRUE (first.replaceWithData (longer.getData(), longer.getSize()));
    ASSERT_EQ (::chmod (first.getFullPathName().toRawUTF8(), 0600), 0);
    setSettings (true, 2, 3, 2, true);
    save (first);
    save (first);

    EXPECT_EQ (contentOf (first), chunk());
    EXPECT_EQ (modeOf (first), 0600u);   // kept private
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 2);
}

TEST_F (SettingsFiles, TheExtensionRule)
{
    const auto dotted = folder.getChildFile ("my.settings");
    dotted.createDirectory();

    const std::pair<juce::File, juce::File> cases[] = {
        { folder.getChildFile ("settings"), folder.getChildFile ("settings.qwv") },
        { folder.getChildFile ("settings.qwv"), folder.getChildFile ("settings.qwv") },
        { folder.getChildFile ("settings.QWV"), folder.getChildFile ("settings.QWV") },
        { folder.getChildFile ("settings.Qwv"), folder.getChildFile ("settings.Qwv") },
        { folder.getChildFile ("mix.txt"), folder.getChildFile ("mix.txt.qwv") },
        { folder.getChildFile ("mix.qwv.txt"), folder.getChildFile ("mix.qwv.txt.qwv") },
        { dotted.getChildFile ("settings"), dotted.getChildFile ("settings.qwv") },
    };

    for (const auto& [chosen, written] : cases)
        EXPECT_EQ (SettingsFile::withSettingsExtension (chosen).getFullPathName(), written.getFullPathName());

    // Through the save itself: an existing file of the appended name is replaced.
    const auto appended = folder.getChildFile ("mix.txt.qwv");
    appended.replaceWithText ("old");
    save (folder.getChildFile ("mix.txt"));
    EXPECT_FALSE (folder.getChildFile ("mix.txt").exists());
    EXPECT_EQ (contentOf (appended), chunk());

    save (folder.getChildFile ("UPPER.QWV"));
    EXPECT_TRUE (folder.getChildFile ("UPPER.QWV").existsAsFile());
    EXPECT_FALSE (folder.getChildFile ("UPPER.QWV.qwv").exists());
}

TEST_F (SettingsFiles, AFailedWriteKeepsTheOldFile)
{
    const auto file = folder.getChildFile ("keep.qwv");
    setSettings (false, 1, 1, 1, false);
    save (file);
    const auto old = contentOf (file);

    // The process may write no file beyond a few bytes: the new chunk is cut
    // short on its way to the disk.
    setSettings (true, 2, 3, 2, true);
    struct rlimit previous {};
    getrlimit (RLIMIT_FSIZE, &previous);
    const auto previousHandler = std::signal (SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 40;
    ASSERT_EQ (setrlimit (RLIMIT_FSIZE, &small), 0);

    save (file);

    setrlimit (RLIMIT_FSIZE, &previous);
    std::signal (SIGXFSZ, previousHandler);

    EXPECT_EQ (contentOf (file), old);

    // Nothing is left beside it either.
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles, "*"), 1);
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 1);

    // Without the limit the same save goes through.
    save (file);
    EXPECT_EQ (contentOf (file), chunk());
}

TEST_F (SettingsFiles, ATargetThatCannotBeReplacedKeepsItsContent)
{
    // A folder where the file should go can be neither removed nor replaced
    // by a file: the save leaves it, and what is in it, as it was.
    const auto target = folder.getChildFile ("taken.qwv");
    target.createDirectory();
    target.getChildFile ("inside").replaceWithText ("x");

    save (target);

    EXPECT_TRUE (target.isDirectory());
    EXPECT_EQ (target.getChildFile ("inside").loadFileAsString(), "x");
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 1);
}

TEST_F (SettingsFiles, ALoadTellsTheHostOfAChangedStateButNoParameter)
{
    setSettings (false, 1, 2, 1, false);
    const auto current = chunk();

    // The same live values with another store: a notice; then the same
    // file again, and the host's own restore: none.
    juce::XmlElement otherStore ("1364678210");
    otherStore.setAttribute ("B_Buf3", "1");
    juce::MemoryBlock otherChunk;
    StateChunk::write (otherStore, otherChunk);
    const auto file = folder.getChildFile ("other store.qwv");
    ASSERT_TRUE (file.replaceWithData (otherChunk.getData(), otherChunk.getSize()));

    HostNotices host;
    plugin.addListener (&host);
    load (file);
    EXPECT_EQ (host.states, 1);
    EXPECT_EQ (plugin.bBuf[3].load(), 1.0f);
    load (file);
    EXPECT_EQ (host.states, 1);
    plugin.setStateInformation (current.getData(), (int) current.getSize());
    EXPECT_EQ (chunk(), current);
    EXPECT_EQ (host.states, 1);
    EXPECT_EQ (host.parameters, 0);
    plugin.removeListener (&host);
}

TEST_F (SettingsFiles, ALinkedFileStaysALinkAndItsTargetGetsTheSave)
{
    // Each case: the links to make (name, target as written; "@" stands for
    // the test's folder), the file that a save to mix.qwv writes (none: the
    // save fails) and the kind of node made at dotfiles/node, if any.
    struct Case
    {
        const char* name;
        std::vector<std::pair<juce::String, juce::String>> links;
        const char* written;
        mode_t node = 0;
    };

    // mix.qwv, link2, link3 and so on to dotfiles/mix.qwv: as many links as
    // the kernel follows (40), or one more.
    const auto chain = [] (int length)
    {
        std::vector<std::pair<juce::String, juce::String>> links { { "mix.qwv", "link2" } };
        for (int i = 2; i <= length; ++i)
            links.push_back ({ "link" + juce::String (i), i < length ? "link" + juce::String (i + 1) : "dotfiles/mix.qwv" });
        return links;
    };

    const Case cases[] = {
        { "relative link",       { { "mix.qwv", "dotfiles/mix.qwv" } },                              "dotfiles/mix.qwv" },
        // ".." after a folder link goes up from where that link leads.
        { "chain",               { { "mix.qwv", "@/chain.qwv" }, { "chain.qwv", "dots/../mix.qwv" },
                                   { "dots", "dotfiles/sub" } },                                     "dotfiles/mix.qwv" },
        { "dangling link",       { { "mix.qwv", "dotfiles/new.qwv" } },                              "dotfiles/new.qwv" },
        { "dangling, no folder", { { "mix.qwv", "missing/new.qwv" } },                               nullptr },
        { "loop",                { { "mix.qwv", "other.qwv" }, { "other.qwv", "mix.qwv" } },        nullptr },
        { "link to a folder",    { { "mix.qwv", "dotfiles" } },                                      nullptr },
        { "40 links",            chain (40),                                                         "dotfiles/mix.qwv" },
        { "41 links",            chain (41),                                                         nullptr },
        // Neither read nor replaced, and no read waits for them. The device
        // last: where mknod is not allowed, the test ends there as skipped.
        { "link to a FIFO",      { { "mix.qwv", "dotfiles/node" } },                                 nullptr, S_IFIFO },
        { "link to a socket",    { { "mix.qwv", "dotfiles/node" } },                                 nullptr, S_IFSOCK },
        { "link to a device",    { { "mix.qwv", "dotfiles/node" } },                                 nullptr, S_IFCHR },
    };

    setSettings (true, 2, 3, 2, true);
    const auto* userFile = plugin.getSettings()->getFile().getFullPathName().toRawUTF8();
    ASSERT_TRUE (plugin.getSettings()->getFile().getParentDirectory().createDirectory());

    for (const auto& c : cases)
    {
        const auto descriptors = entries (juce::File ("/proc/self/fd")).size();
        folder.deleteRecursively();
        ASSERT_TRUE (folder.getChildFile ("dotfiles/sub").createDirectory());
        ASSERT_TRUE (folder.getChildFile ("dotfiles/mix.qwv").replaceWithText ("old"));
        ASSERT_EQ (::chmod (folder.getChildFile ("dotfiles/mix.qwv").getFullPathName().toRawUTF8(), 0600), 0);

        const auto node = folder.getChildFile ("dotfiles/node");
        if (c.node != 0 && ! makeNode (node, c.node))
        {
            ASSERT_EQ (c.node, (mode_t) S_IFCHR) << c.name;
            GTEST_SKIP() << "mknod of a device is not allowed here";
        }

        juce::StringArray expectedEntries { "dotfiles" };
        for (const auto& [name, target] : c.links)
        {
            ASSERT_TRUE (juce::File::createSymbolicLink (folder.getChildFile (name), target.replace ("@", folder.getFullPathName()), false)) << c.name;
            expectedEntries.add (name);
        }
        expectedEntries.sort (false);

        const auto mix = folder.getChildFile ("mix.qwv");
        save (mix);
        EXPECT_EQ (SettingsFile::write (mix, chunk()), c.written != nullptr) << c.name;

        // A read returns at once, with the file at the end of the chain or,
        // as for a missing file, nothing.
        juce::MemoryBlock content;
        bool readOk = false;
        watchingDescriptors = true;
        EXPECT_TRUE (returnsAtOnce ([&] { readOk = SettingsFile::read (mix, content); }, node)) << c.name;
        watchingDescriptors = false;
        EXPECT_EQ (inheritableDescriptors.load(), 0) << c.name;   // what it opened no child inherits
        EXPECT_EQ (readOk, c.written != nullptr) << c.name;
        // (Two empty blocks are not compared: the framework's comparison
        // hands their null data to memcmp.)
        EXPECT_EQ (content.getSize(), readOk ? chunk().getSize() : 0u) << c.name;
        if (readOk)
            EXPECT_EQ (content, chunk()) << c.name;

        if (c.node != 0)
        {
            // So does an instance whose per-user settings file leads there;
            // its save fails. The node is still what it was.
            ::unlink (userFile);
            ASSERT_EQ (::symlink (node.getFullPathName().toRawUTF8(), userFile), 0);
            EXPECT_TRUE (returnsAtOnce ([] { JucePlugin p; p.getSettings()->storeDefaults (1, 2, 1); EXPECT_FALSE (p.getSettings()->save()); }, node)) << c.name;
            ::unlink (userFile);

            struct stat info {};
            EXPECT_TRUE (::lstat (node.getFullPathName().toRawUTF8(), &info) == 0 && (info.st_mode & S_IFMT) == c.node) << c.name;
        }

        // Every link is still the same link, and nothing else appeared beside
        // the links or the file they lead to.
        for (const auto& [name, target] : c.links)
            EXPECT_EQ (folder.getChildFile (name).getNativeLinkedTarget(), target.replace ("@", folder.getFullPathName())) << c.name << ": " << name;

        EXPECT_EQ (entries (folder), expectedEntries) << c.name;
        const bool newFile = c.written != nullptr && juce::String (c.written) != "dotfiles/mix.qwv";
        EXPECT_EQ (entries (folder.getChildFile ("dotfiles")).size(), newFile || c.node != 0 ? 3 : 2) << c.name;

        if (c.written != nullptr)
            EXPECT_EQ (contentOf (folder.getChildFile (c.written)), chunk()) << c.name;
        else
            EXPECT_EQ (folder.getChildFile ("dotfiles/mix.qwv").loadFileAsString(), "old") << c.name;
        // The private file that the links lead to stays private; a new one gets the default mode.
        EXPECT_EQ (modeOf (folder.getChildFile (c.written != nullptr ? c.written : "dotfiles/mix.qwv")), newFile ? newFileMode() : 0600u) << c.name;

        ::unlink (node.getFullPathName().toRawUTF8());   // the folder's removal leaves it
        EXPECT_EQ (entries (juce::File ("/proc/self/fd")).size(), descriptors) << c.name;   // none left open
    }
}

namespace
{
    // How many times waitpid and kill were called while a test counts them.
    std::atomic<bool> countingProcessCalls { false };
    std::atomic<int> processCalls { 0 };
}

// The C library's waitpid and kill in front of the kernel's, for the whole
// test program (the framework's calls included): they count while a test asks.
extern "C" pid_t waitpid (pid_t pid, int* status, int options)
{
    if (countingProcessCalls.load())
        ++processCalls;

    return (pid_t) syscall (SYS_wait4, pid, status, options, nullptr);
}

extern "C" int kill (pid_t pid, int signal) noexcept
{
    if (countingProcessCalls.load())
        ++processCalls;

    return (int) syscall (SYS_kill, pid, signal);
}

namespace
{
    // The native dialogs, through a stand-in zenity on the PATH that the
    // framework's 'which' check finds: it records its process id and waits,
    // as the dialog does until the user answers, or, with STUB_ANSWER set,
    // answers with that path at once.
    struct NativeDialogs : ::testing::Test
    {
        void SetUp() override
        {
            ASSERT_TRUE (bin.createDirectory());
            ASSERT_TRUE (records.createDirectory());

            const auto stub = bin.getChildFile ("zenity");
            ASSERT_TRUE (stub.replaceWithText ("#!/bin/sh\n"
                                               "echo $$ > '" + records.getFullPathName() + "'/$$.part\n"
                                               "mv '" + records.getFullPathName() + "'/$$.part '" + records.getFullPathName() + "'/$$.pid\n"
                                               "if [ -n \"$STUB_ANSWER\" ]; then echo \"$STUB_ANSWER\"; exit 0; fi\n"
                                               "exec sleep 60\n", false, false, "\n"));
            ASSERT_TRUE (stub.setExecutePermission (true));

            setenv ("PATH", (bin.getFullPathName() + ":/usr/bin:/bin").toRawUTF8(), 1);
            unsetenv ("KDE_FULL_SESSION");
            unsetenv ("STUB_ANSWER");
        }

        void TearDown() override
        {
            setenv ("PATH", previousPath.toRawUTF8(), 1);
            previousFolder.setAsCurrentWorkingDirectory();
            root.deleteRecursively();
        }

        // The process id of the dialog started since the last call: the one
        // record not taken before (ids do not grow in the order of starts).
        pid_t nextDialog()
        {
            juce::File next;
            editortest::pumpUntil ([&]
            {
                for (const auto& f : records.findChildFiles (juce::File::findFiles, false, "*.pid"))
                    if (! seen.contains (f.getFileName()))
                        next = f;

                return next != juce::File();
            });

            if (next == juce::File())
                return 0;

            seen.add (next.getFileName());
            return (pid_t) next.getFileNameWithoutExtension().getIntValue();
        }

        // A child of the host's own that has ended and waits to be reaped by it.
        static pid_t hostChild()
        {
            const auto pid = fork();
            if (pid == 0)
                _exit (7);
            return pid;
        }

        static bool isStillAChild (pid_t pid)
        {
            int status = 0;
            return ! (waitpid (pid, &status, WNOHANG) < 0 && errno == ECHILD);
        }

        const juce::String previousPath { std::getenv ("PATH") };
        const juce::File previousFolder { juce::File::getCurrentWorkingDirectory() };
        const juce::File root { juce::File::createTempFile ("native-dialogs") };
        const juce::File bin { root.getChildFile ("bin") };
        const juce::File records { root.getChildFile ("records") };
        juce::StringArray seen;
    };
}

// However the open dialog is closed, its process is reaped at once, without
// the callback, and a child of the host's own is left for the host.
TEST_F (NativeDialogs, AClosedDialogLeavesNoZombieAndTheHostsChildAlone)
{
    enum class Close { cancel, replacedByAnother, chooserDestroyed, editorClosed };

    for (const auto how : { Close::cancel, Close::replacedByAnother, Close::chooserDestroyed, Close::editorClosed })
    {
        SCOPED_TRACE ((int) how);
        const auto others = hostChild();
        ASSERT_GT (others, 0);

        JucePlugin plugin;
        auto chooser = std::make_unique<SettingsFileChooser>();
        int answers = 0;
        const auto count = [&answers] (const juce::File&) { ++answers; };

        if (how == Close::editorClosed)
        {
            std::unique_ptr<juce::AudioProcessorEditor> editor (plugin.createEditorIfNeeded());
            plugin.loadSettingsFile();
            const auto dialog = nextDialog();
            ASSERT_GT (dialog, 0);
            EXPECT_TRUE (isStillAChild (dialog));

            plugin.editorBeingDeleted (editor.get());
            editor.reset();
            EXPECT_FALSE (isStillAChild (dialog)) << "the closed dialog is left to reap";
        }
        else
        {
            chooser->chooseFileToLoad (count);
            const auto dialog = nextDialog();
            ASSERT_GT (dialog, 0);
            EXPECT_TRUE (isStillAChild (dialog));

            if (how == Close::cancel)              chooser->cancel();
            if (how == Close::replacedByAnother)   chooser->chooseFileToSave (count);
            if (how == Close::chooserDestroyed)    chooser.reset();

            EXPECT_FALSE (isStillAChild (dialog)) << "the closed dialog is left to reap";

            if (how == Close::replacedByAnother)
            {
                const auto second = nextDialog();
                ASSERT_GT (second, 0);
                chooser->cancel();
                EXPECT_FALSE (isStillAChild (second));
            }
        }

        editortest::pump (300);
        EXPECT_EQ (answers, 0);

        int status = 0;
        ASSERT_EQ (waitpid (others, &status, WNOHANG), others) << "the host's child was reaped by someone else";
        EXPECT_TRUE (WIFEXITED (status) && WEXITSTATUS (status) == 7);
    }
}

// A dialog that the user answers is reaped by the framework and reports the
// file; nothing is left. Closing the chooser or the editor afterwards neither
// waits for nor signals any process: the answered dialog's id may be another
// process's by then.
TEST_F (NativeDialogs, AnAnsweredDialogReportsTheFileAndLeavesNoChild)
{
    const auto chosen = root.getChildFile ("chosen mix.qwv");
    setenv ("STUB_ANSWER", chosen.getFullPathName().toRawUTF8(), 1);
    {
        JucePlugin source;
        source.ditherType = 2;
        juce::MemoryBlock state;
        source.getStateInformation (state);
        ASSERT_TRUE (chosen.replaceWithData (state.getData(), state.getSize()));
    }

    enum class Close { cancel, chooserDestroyed, editorClosed };

    for (const auto how : { Close::cancel, Close::chooserDestroyed, Close::editorClosed })
    {
        SCOPED_TRACE ((int) how);
        JucePlugin plugin;
        std::unique_ptr<juce::AudioProcessorEditor> editor;
        auto chooser = std::make_unique<SettingsFileChooser>();
        juce::Array<juce::File> answers;

        if (how == Close::editorClosed)
        {
            editor.reset (plugin.createEditorIfNeeded());
            plugin.loadSettingsFile();
            ASSERT_GT (nextDialog(), 0);
            EXPECT_TRUE (editortest::pumpUntil ([&] { return plugin.ditherType == 2; }));
        }
        else
        {
            chooser->chooseFileToSave ([&] (const juce::File& f) { answers.add (f); });
            ASSERT_GT (nextDialog(), 0);
            EXPECT_TRUE (editortest::pumpUntil ([&] { return ! answers.isEmpty(); }));
            EXPECT_EQ (answers, juce::Array<juce::File> { chosen });
        }

        processCalls = 0;
        countingProcessCalls = true;

        if (how == Close::cancel)             chooser->cancel();
        if (how == Close::chooserDestroyed)   chooser.reset();

        if (how == Close::editorClosed)
        {
            plugin.editorBeingDeleted (editor.get());
            editor.reset();
        }

        countingProcessCalls = false;
        EXPECT_EQ (processCalls.load(), 0) << "closing waited for or signalled a process";

        int status = 0;
        EXPECT_TRUE (waitpid (-1, &status, WNOHANG) < 0 && errno == ECHILD);
    }
}
