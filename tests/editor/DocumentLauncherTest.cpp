// The help file's launch on Linux, against a stand-in xdg-open that records
// the arguments it is given.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

#include "ui/DocumentLauncher.h"

namespace
{
    // Sets an environment variable and the working folder for one test.
    struct Environment
    {
        Environment (const juce::String& path, const juce::File& workingFolder)
            : previousPath (std::getenv ("PATH")), previousFolder (juce::File::getCurrentWorkingDirectory())
        {
            setenv ("PATH", path.toRawUTF8(), 1);
            workingFolder.setAsCurrentWorkingDirectory();
        }

        ~Environment()
        {
            setenv ("PATH", previousPath.toRawUTF8(), 1);
            previousFolder.setAsCurrentWorkingDirectory();
        }

        juce::String previousPath;
        juce::File previousFolder;
    };

    // The arguments of each launch that the stand-in recorded.
    juce::Array<juce::StringArray> launches (const juce::File& records)
    {
        juce::Array<juce::StringArray> result;

        for (auto& f : records.findChildFiles (juce::File::findFiles, false, "*.done"))
        {
            juce::MemoryBlock bytes;
            f.loadFileAsData (bytes);
            juce::StringArray arguments;

            for (const auto* p = static_cast<const char*> (bytes.getData()), *end = p + bytes.getSize(); p < end;)
            {
                const std::string argument (p);
                arguments.add (juce::String::fromUTF8 (argument.data(), (int) argument.size()));
                p += argument.size() + 1;
            }

            result.add (arguments);
        }

        return result;
    }

    bool hasChildren()
    {
        int status = 0;
        return ! (waitpid (-1, &status, WNOHANG) < 0 && errno == ECHILD);
    }
}

// Each file name arrives as the one argument, byte for byte, nothing in it
// runs, the file's execute bit plays no part, and the process keeps no child.
TEST (DocumentLauncher, StartsXdgOpenWithThePathAsItsOnlyArgument)
{
    const auto root = juce::File::createTempFile ("launcher");
    const auto bin = root.getChildFile ("bin");
    const auto records = root.getChildFile ("records");
    const auto documents = root.getChildFile ("help files");
    const auto working = root.getChildFile ("working");
    for (auto& folder : { bin, records, documents, working })
        ASSERT_TRUE (folder.createDirectory());

    // Each launch leaves a file of NUL-terminated arguments, written under
    // another name first so that the test never reads half of one.
    const auto stub = bin.getChildFile ("xdg-open");
    ASSERT_TRUE (stub.replaceWithText ("#!/bin/sh\n"
                                       "out='" + records.getFullPathName() + "'/$$\n"
                                       "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$out.part\"\n"
                                       "mv \"$out.part\" \"$out.done\"\n", false, false, "\n"));
    ASSERT_TRUE (stub.setExecutePermission (true));

    struct Case { const char* name; bool executable; };
    const Case cases[] = {
        { "user manual (v1).pdf", false },
        { "it's \"the\" manual.pdf", false },
        { "help$(touch dollar).pdf", false },
        { "help`touch backtick`.pdf", false },
        { "back\\slash\\n\\\\ and ; touch semicolon | & > redirect.pdf", false },
        { "run-me.pdf", true },
        { "line\nbreak \xc3\xa9.pdf", false },
    };

    const Environment environment (bin.getFullPathName() + ":" + juce::String (std::getenv ("PATH")), working);

    for (const auto& c : cases)
    {
        const auto document = documents.getChildFile (juce::String::fromUTF8 (c.name));
        ASSERT_TRUE (document.replaceWithText (c.executable ? "#!/bin/sh\ntouch executed\n" : "%PDF-1.4\n", false, false, "\n")) << c.name;
        ASSERT_TRUE (document.setExecutePermission (c.executable));

        ASSERT_TRUE (DocumentLauncher::open (document.getFullPathName())) << c.name;
        EXPECT_FALSE (hasChildren()) << c.name << ": a child is left to reap";

        const auto end = juce::Time::getMillisecondCounter() + 5000;
        while (launches (records).isEmpty() && juce::Time::getMillisecondCounter() < end)
            juce::Thread::sleep (10);

        const auto recorded = launches (records);
        ASSERT_EQ (recorded.size(), 1) << c.name << ": xdg-open did not start";
        EXPECT_EQ (recorded[0].size(), 1) << c.name;
        EXPECT_EQ (recorded[0][0], document.getFullPathName());
        records.deleteRecursively();
        records.createDirectory();
    }

    // Nothing the names hold ran, neither here nor in the documents' folder.
    juce::Thread::sleep (200);
    EXPECT_EQ (working.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
    EXPECT_EQ (documents.getNumberOfChildFiles (juce::File::findFilesAndDirectories), (int) std::size (cases));
    EXPECT_FALSE (hasChildren());

    // No xdg-open anywhere on the PATH: the launch reports that it did not start.
    setenv ("PATH", root.getChildFile ("empty").getFullPathName().toRawUTF8(), 1);
    EXPECT_FALSE (DocumentLauncher::open (documents.getChildFile ("run-me.pdf").getFullPathName()));
    EXPECT_FALSE (hasChildren());

    root.deleteRecursively();
}
