#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "processor/JucePlugin.h"
#include "processor/UserSettings.h"

namespace
{
    // Each test gets a configuration folder of its own.
    struct Construction : ::testing::Test
    {
        void SetUp() override
        {
            previous = std::getenv ("XDG_CONFIG_HOME");
            folder = juce::File::createTempFile ("vantrel-config");
            folder.createDirectory();
            setenv ("XDG_CONFIG_HOME", folder.getFullPathName().toRawUTF8(), 1);
        }

        void TearDown() override
        {
            if (previous.isNotEmpty())
                setenv ("XDG_CONFIG_HOME", previous.toRawUTF8(), 1);
            folder.deleteRecursively();
        }

        juce::File current() const  { return folder.getChildFile ("Dither/Dither.settings"); }
        juce::File legacy() const   { return folder.getChildFile ("Vantrel_Dither/Vantrel_Dither.settings"); }

        static void write (const juce::File& f, const juce::StringPairArray& values)
        {
            juce::XmlElement root ("PROPERTIES");
            for (auto& key : values.getAllKeys())
            {
                auto* e = root.createNewChildElement ("VALUE");
                e->setAttribute ("name", key);
                e->setAttribute ("val", values[key]);
            }
            f.getParentDirectory().createDirectory();
            ASSERT_TRUE (root.writeTo (f));
        }

        static std::unique_ptr<juce::XmlElement> read (const juce::File& f)   { return juce::parseXML (f); }

        static juce::StringPairArray keys (std::initializer_list<std::pair<const char*, const char*>> pairs)
        {
            juce::StringPairArray a;
            for (auto& [k, v] : pairs)
                a.set (k, v);
            return a;
        }

        juce::String previous;
        juce::File folder;
    };

    // Runs a settings command ("defaults D N B" or "tooltips") on the
    // settings and writes them, as the delayed save would.
    void run (UserSettings& settings, const std::string& command)
    {
        std::istringstream in (command);
        std::string name;
        int dither = 0, shaping = 0, depth = 0;
        in >> name >> dither >> shaping >> depth;

        if (name == "defaults")
            settings.storeDefaults (dither, shaping, depth);
        else
            settings.switchTooltips();

        settings.saveIfNeeded();
    }

    // A processor in a child process that runs the same commands.
    struct OtherProcess
    {
        OtherProcess()
        {
            int toChild[2], fromChild[2];
            if (pipe (toChild) != 0 || pipe (fromChild) != 0)
                return;

            char* const argv[] = { const_cast<char*> (VANTREL_SETTINGS_INSTANCE), nullptr };
            pid = fork();

            if (pid == 0)
            {
                dup2 (toChild[0], 0);
                dup2 (fromChild[1], 1);
                for (int fd : { toChild[0], toChild[1], fromChild[0], fromChild[1] })
                    close (fd);
                execv (argv[0], argv);
                _exit (127);
            }

            close (toChild[0]);
            close (fromChild[1]);
            input = fdopen (toChild[1], "w");
            output = fdopen (fromChild[0], "r");
        }

        ~OtherProcess()
        {
            // The end of its input ends it.
            if (input != nullptr)
                fclose (input);
            if (output != nullptr)
                fclose (output);
            if (pid > 0)
                waitpid (pid, nullptr, 0);
        }

        std::string answer()
        {
            char line[64] = {};
            return output != nullptr && fgets (line, sizeof (line), output) != nullptr ? std::string (line) : std::string();
        }

        std::string run (const std::string& command)
        {
            fprintf (input, "%s\n", command.c_str());
            fflush (input);
            return answer();
        }

        pid_t pid = -1;
        FILE* input = nullptr;
        FILE* output = nullptr;
    };
}

TEST_F (Construction, FirstRunSetsFourKeysAndWritesThemLater)
{
    {
        JucePlugin p;
        auto* s = p.getSettings();
        ASSERT_NE (s, nullptr);
        EXPECT_EQ (s->getAllProperties().size(), 4);
        EXPECT_EQ (s->getValue ("zeTyc4KU5HB"), "0");
        EXPECT_EQ (s->getValue ("WMFLWlN9u2G"), "0");
        EXPECT_EQ (s->getValue ("VgVZZ62N1QI"), "0");
        EXPECT_EQ (s->getValue ("Rj3PktA2kCQ"), "1");
        EXPECT_EQ (p.ditherType.load() + p.noiseShaping.load() + p.bitDepth.load(), 0);
        EXPECT_FALSE (current().exists()); // the delayed save has not run yet
    }

    // The destructor writes what is pending, in the user's configuration folder.
    auto xml = read (current());
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getNumChildElements(), 4);
    EXPECT_FALSE (folder.getParentDirectory().getChildFile ("Dither").exists());
}

TEST_F (Construction, ARelativeConfigFolderIsIgnoredForTheOneInHome)
{
    const juce::String home (std::getenv ("HOME") != nullptr ? std::getenv ("HOME") : "");
    setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
    setenv ("XDG_CONFIG_HOME", "relative-config", 1);
    JucePlugin p;
    p.getSettings()->setNeedsToBeSaved (false);
    setenv ("HOME", home.toRawUTF8(), 1);
    EXPECT_EQ (p.getSettings()->getFile(), folder.getChildFile (".config/Dither/Dither.settings"));
}

TEST_F (Construction, TheDelayedSaveWritesAboutThreeSecondsLater)
{
    JucePlugin p;
    juce::MessageManager::getInstance()->runDispatchLoopUntil (2000);
    EXPECT_FALSE (current().exists());
    juce::MessageManager::getInstance()->runDispatchLoopUntil (1600);
    EXPECT_TRUE (current().exists());
}

TEST_F (Construction, TakesOverTheOlderFileOnce)
{
    write (legacy(), keys ({ { UserSettings::ditherTypeKey, "1" }, { UserSettings::bitDepthKey, "2" }, { "extra", "x" } }));
    const auto legacyBefore = legacy().loadFileAsString();

    JucePlugin p;
    ASSERT_TRUE (current().exists()); // written during construction
    auto xml = read (current());
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getNumChildElements(), 3);
    EXPECT_FALSE (p.getSettings()->containsKey (UserSettings::tooltipsKey));
    EXPECT_FALSE (p.getSettings()->containsKey (UserSettings::noiseShapingKey));
    EXPECT_EQ (p.ditherType.load(), 1);
    EXPECT_EQ (p.bitDepth.load(), 2);
    EXPECT_EQ (legacy().loadFileAsString(), legacyBefore);
}

TEST_F (Construction, StartsFromTheStoredDefaultsWithEmptyStores)
{
    // Keys as any build of the plug-in writes them.
    write (current(), keys ({ { "zeTyc4KU5HB", "2" }, { "WMFLWlN9u2G", "3" }, { "VgVZZ62N1QI", "1" } }));
    JucePlugin p;
    EXPECT_EQ (p.ditherType.load(), 2);
    EXPECT_EQ (p.noiseShaping.load(), 3);
    EXPECT_EQ (p.bitDepth.load(), 1);
    EXPECT_FALSE (p.bypass.load());
    EXPECT_FALSE (p.enaAB.load());
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ (p.aBuf[i].load(), 0.0f);
        EXPECT_EQ (p.bBuf[i].load(), 0.0f);
    }
    EXPECT_EQ (p.getDspChangedParam(), 5);
    EXPECT_EQ (p.getUiChangedParam(), 5);

    // The first engine tick takes the marker (and clears the shaping history).
    p.getAlgo().timerCallback();
    EXPECT_EQ (p.getDspChangedParam(), -1);
    // The same defaults after a UTF-8 byte-order mark, or as UTF-16 (each ASCII byte and a zero) after its mark.
    const std::string text = "<PROPERTIES><VALUE name=\"zeTyc4KU5HB\" val=\"2\"/><VALUE name=\"WMFLWlN9u2G\" val=\"3\"/>"
                             "<VALUE name=\"VgVZZ62N1QI\" val=\"1\"/></PROPERTIES>";
    for (const std::string mark : { "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF" })
    {
        auto bytes = mark;
        for (char c : text)
            bytes += mark.size() == 3 ? std::string (1, c) : mark[0] == '\xFF' ? std::string { c, '\0' } : std::string { '\0', c };
        ASSERT_TRUE (current().replaceWithData (bytes.data(), bytes.size()));
        JucePlugin q;
        EXPECT_EQ (std::vector<int> ({ q.ditherType, q.noiseShaping, q.bitDepth }), std::vector<int> ({ 2, 3, 1 }));
    }
}

TEST_F (Construction, StoredTextsAreReadAsIntegers)
{
    const std::pair<const char*, int> cases[] = { { "abc", 0 }, { " 2", 2 }, { "2x", 2 }, { "9", 9 }, { "+3", 3 },
                                                  { "-1", -1 }, { "99999999999", 2147483647 }, { "", 0 },
                                                  { "-99999999999", -2147483647 - 1 } };
    for (auto [text, expected] : cases)
    {
        write (current(), keys ({ { UserSettings::ditherTypeKey, text } }));
        JucePlugin p;
        EXPECT_EQ (p.ditherType.load(), expected) << "'" << text << "'";
    }
}

TEST_F (Construction, AnEmptyOrCorruptFileIsNeitherTakenOverNorRewritten)
{
    write (legacy(), keys ({ { UserSettings::ditherTypeKey, "2" } }));

    write (current(), keys ({ { UserSettings::tooltipsKey, "0" } }));
    JucePlugin before;   // reads the file before it is spoilt
    for (const char* content : { "", "<PROPERTIES><VALUE name=", "not xml at all" })
    {
        current().getParentDirectory().createDirectory();
        ASSERT_TRUE (current().replaceWithText (content));
        {
            JucePlugin p;
            EXPECT_EQ (p.ditherType.load(), 0);
            EXPECT_EQ (p.getSettings()->getAllProperties().size(), 0);
        }
        EXPECT_EQ (current().loadFileAsString(), content);
        before.getSettings()->storeDefaults (1, 0, 0);   // its next save writes its whole set
        ASSERT_TRUE (before.getSettings()->save());
        EXPECT_TRUE (current().loadFileAsString().contains ("name=\"" + juce::String (UserSettings::tooltipsKey) + "\" val=\"0\"")) << content;
    }
}

TEST_F (Construction, InstancesReadTheFileWhenTheyAreConstructed)
{
    write (current(), keys ({ { UserSettings::ditherTypeKey, "1" } }));
    JucePlugin first;
    JucePlugin second;
    EXPECT_EQ (second.ditherType.load(), 1);

    first.getSettings()->setValue (UserSettings::ditherTypeKey, 2);
    JucePlugin third;
    EXPECT_EQ (third.ditherType.load(), 1); // not written yet

    first.getSettings()->saveIfNeeded();
    JucePlugin fourth;
    EXPECT_EQ (fourth.ditherType.load(), 2);
    EXPECT_EQ (second.ditherType.load(), 1);
    first.getSettings()->removeValue (UserSettings::ditherTypeKey);   // stays removed when another saves
    ASSERT_TRUE (first.getSettings()->save());
    run (*fourth.getSettings(), "tooltips");
    EXPECT_FALSE (current().loadFileAsString().contains (UserSettings::ditherTypeKey));
}

// Save as Default and the tooltip switch, by two instances of this process
// and one of another, each of which read the file before any of them wrote,
// in every order: the file ends with each key as it was last set, whoever
// wrote it; and the switch shows what the file holds now.
TEST_F (Construction, NoWriteDropsWhatAnotherInstanceWroteSince)
{
    struct Action { int instance; const char* command; };
    const Action actions[] = { { 0, "defaults 2 3 1" }, { 1, "tooltips" }, { 2, "tooltips" }, { 2, "defaults 0 2 0" } };
    const char* const keyOrder[] = { UserSettings::ditherTypeKey, UserSettings::noiseShapingKey,
                                     UserSettings::bitDepthKey, UserSettings::tooltipsKey };

    std::vector<std::vector<int>> orders;
    std::vector<int> order { 0, 1, 2, 3 };
    do
        orders.push_back (order);
    while (std::next_permutation (order.begin(), order.end()));

    // The file holds the first-run values, or there is none yet and each
    // instance starts with them in memory.
    for (const bool fileExists : { true, false })
    for (const auto& steps : orders)
    {
        current().deleteFile();
        if (fileExists)
            write (current(), keys ({ { keyOrder[0], "0" }, { keyOrder[1], "0" }, { keyOrder[2], "0" }, { keyOrder[3], "1" } }));

        std::map<std::string, std::string> expected { { keyOrder[0], "0" }, { keyOrder[1], "0" }, { keyOrder[2], "0" }, { keyOrder[3], "1" } };
        std::string sequence = fileExists ? "" : "no file: ";

        {
            JucePlugin first, second;
            UserSettings* here[] = { first.getSettings(), second.getSettings() };
            OtherProcess other;
            ASSERT_EQ (other.answer(), "ready\n");

            for (int index : steps)
            {
                const auto& action = actions[index];
                sequence += std::to_string (action.instance) + ":" + action.command + " ";

                if (action.instance < 2)
                    run (*here[action.instance], action.command);
                else
                    ASSERT_EQ (other.run (action.command), "ok\n") << sequence;

                int values[3] = {};
                if (std::sscanf (action.command, "defaults %d %d %d", &values[0], &values[1], &values[2]) == 3)
                {
                    for (int i = 0; i < 3; ++i)
                        expected[keyOrder[i]] = std::to_string (values[i]);
                }
                else
                {
                    expected[keyOrder[3]] = expected[keyOrder[3]] == "1" ? "0" : "1";
                }

                for (auto* settings : here)
                    EXPECT_EQ (settings->tooltipsOn(), expected[keyOrder[3]] == "1") << sequence;
            }
        }

        auto xml = read (current());
        ASSERT_NE (xml, nullptr) << sequence;
        EXPECT_EQ (xml->getNumChildElements(), 4) << sequence;
        for (auto* key : keyOrder)
        {
            auto* value = xml->getChildByAttribute ("name", key);
            ASSERT_NE (value, nullptr) << sequence << key;
            EXPECT_EQ (value->getStringAttribute ("val"), juce::String (expected[key])) << sequence << key;
        }
    }
}

// A settings file kept elsewhere and linked in: a write goes to where the
// link leads, and the link stays; the delayed saves of two instances keep
// each other's values. A loop is left alone and the write fails, but what it
// was to write is kept: once the link is mended, the next save writes it.
TEST_F (Construction, ALinkedSettingsFileStaysALink)
{
    for (const auto* target : { "../dotfiles/Dither.settings", "Dither.settings" })
    {
        const bool loop = juce::String (target) == "Dither.settings";
        folder.getChildFile ("Dither").deleteRecursively();
        write (folder.getChildFile ("dotfiles/Dither.settings"), keys ({ { UserSettings::tooltipsKey, "0" } }));
        current().getParentDirectory().createDirectory();
        ASSERT_TRUE (juce::File::createSymbolicLink (current(), target, false));

        {
            JucePlugin p, other;
            p.getSettings()->storeDefaults (2, 1, 2);
            other.getSettings()->switchTooltips();
            EXPECT_EQ (p.getSettings()->save(), ! loop) << target;
            EXPECT_EQ (current().getNativeLinkedTarget(), target);

            if (loop)
            {
                ASSERT_TRUE (current().deleteFile());
                ASSERT_TRUE (juce::File::createSymbolicLink (current(), "../dotfiles/Dither.settings", false));
                EXPECT_TRUE (p.getSettings()->saveIfNeeded());
            }

            juce::MessageManager::getInstance()->runDispatchLoopUntil (3600);
        }

        EXPECT_EQ (current().getNativeLinkedTarget(), "../dotfiles/Dither.settings");

        // The defaults saved, and the switch of the other instance: off from
        // on where it started on the loop, which reads as no file.
        auto xml = read (folder.getChildFile ("dotfiles/Dither.settings"));
        ASSERT_NE (xml, nullptr);
        EXPECT_EQ (xml->getNumChildElements(), 4) << target;
        EXPECT_EQ (xml->getChildByAttribute ("name", UserSettings::ditherTypeKey)->getStringAttribute ("val"), "2");
        EXPECT_EQ (xml->getChildByAttribute ("name", UserSettings::tooltipsKey)->getStringAttribute ("val"), loop ? "0" : "1");
    }
}

// The lock that other processes take is a file beside the settings file, in
// the user's own folder: while someone else holds it, shared or exclusive, a
// save waits.
TEST_F (Construction, SavesWaitForTheLockFileBesideTheSettingsFile)
{
    JucePlugin p;
    auto& settings = *p.getSettings();
    ASSERT_TRUE (settings.save());

    const auto lock = folder.getChildFile ("Dither/Dither.settings.lock");
    EXPECT_TRUE (lock.existsAsFile());

    for (const int kind : { LOCK_EX, LOCK_SH })
    {
        const int fd = ::open (lock.getFullPathName().toRawUTF8(), O_RDWR | O_CREAT, 0600);
        ASSERT_EQ (::flock (fd, kind | LOCK_NB), 0);

        // Held from here for 500 ms, however late the holder runs.
        const auto start = std::chrono::steady_clock::now();
        std::thread holder ([fd, start] { std::this_thread::sleep_until (start + std::chrono::milliseconds (500)); ::close (fd); });
        settings.setValue (UserSettings::ditherTypeKey, kind + 2);   // 3 or 4, no other key's value
        EXPECT_TRUE (settings.save());
        const auto waited = std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now() - start).count();
        holder.join();

        EXPECT_GE (waited, 400.0) << kind;
        EXPECT_LT (waited, 1900.0) << kind;   // it got the lock, and did not wait out the timeout
        EXPECT_TRUE (current().loadFileAsString().contains ("val=\"" + juce::String (kind + 2) + "\""));
    }

    // The settings file and its lock are all that the folder holds.
    EXPECT_EQ (current().getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 2);

    // A link in the lock's place is not followed: the file it names is not
    // made, and the save goes ahead without the lock.
    ASSERT_TRUE (lock.deleteFile());
    ASSERT_TRUE (juce::File::createSymbolicLink (lock, folder.getChildFile ("elsewhere").getFullPathName(), false));
    settings.setValue (UserSettings::ditherTypeKey, "7");
    EXPECT_TRUE (settings.save());
    EXPECT_TRUE (current().loadFileAsString().contains ("val=\"7\""));
    EXPECT_FALSE (folder.getChildFile ("elsewhere").exists());
}
