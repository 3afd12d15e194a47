// The help file's and the web link's launch on Linux, against a stand-in
// xdg-open that records the arguments it is given and the descriptors it has.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "EditorTestSupport.h"
#include "ui/DocumentLauncher.h"

namespace
{
    // Set while a launch is to meet a kernel without close_range.
    std::atomic<bool> closeRangeMissing { false };
}

// The C library's close_range, which the launcher calls in the new process,
// in front of the kernel's: it fails as an older kernel's does while the test
// asks for that. Async-signal-safe, as the caller needs.
extern "C" int close_range (unsigned int first, unsigned int last, int flags) noexcept
{
    if (closeRangeMissing.load())
    {
        errno = ENOSYS;
        return -1;
    }

    return (int) syscall (SYS_close_range, first, last, flags);
}

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

    // What the descriptors of each recorded launch pointed to, one a line.
    juce::StringArray descriptorTargets (const juce::File& records)
    {
        juce::StringArray targets;

        for (auto& f : records.findChildFiles (juce::File::findFiles, false, "*.fds"))
            targets.addLines (f.loadFileAsString());

        return targets;
    }

    bool hasChildren()
    {
        int status = 0;
        return ! (waitpid (-1, &status, WNOHANG) < 0 && errno == ECHILD);
    }

    // A stand-in xdg-open in bin/ and, in the working folder and its bin/,
    // decoys of the same name that record a launch with an extra first
    // argument. Beside them, xdg-open files that cannot be run (not
    // executable, a folder, a link to nothing, one whose interpreter is
    // missing, which only exec finds out) and a link to the stand-in. Each
    // launch leaves a file of NUL-terminated arguments, written under another
    // name first so that the test never reads half of one, and the targets
    // of its descriptors. The scripts set their own PATH: the test's PATH
    // holds only its own folders, so that no real xdg-open can be found.
    struct DocumentLauncherStub : ::testing::Test
    {
        void SetUp() override
        {
            for (auto& folder : { bin, records, documents, working, working.getChildFile ("bin"), empty, other,
                                  noExec, directory.getChildFile ("xdg-open"), dangling, link, broken })
                ASSERT_TRUE (folder.createDirectory());

            ASSERT_TRUE (writeScript (bin.getChildFile ("xdg-open"), {}));
            for (auto& decoy : { working.getChildFile ("xdg-open"), working.getChildFile ("bin/xdg-open") })
                ASSERT_TRUE (writeScript (decoy, "printf '%s\\0' decoy; "));

            ASSERT_TRUE (writeScript (noExec.getChildFile ("xdg-open"), {}) && noExec.getChildFile ("xdg-open").setExecutePermission (false));
            ASSERT_TRUE (juce::File::createSymbolicLink (dangling.getChildFile ("xdg-open"), root.getChildFile ("gone").getFullPathName(), false));
            ASSERT_TRUE (bin.getChildFile ("xdg-open").createSymbolicLink (link.getChildFile ("xdg-open"), false));
            ASSERT_TRUE (broken.getChildFile ("xdg-open").replaceWithText ("#!/nonexistent/interpreter\n") && broken.getChildFile ("xdg-open").setExecutePermission (true));
        }

        void TearDown() override
        {
            root.deleteRecursively();
        }

        bool writeScript (const juce::File& script, const juce::String& firstOutput)
        {
            return script.replaceWithText ("#!/bin/sh\n"
                                           "PATH=/usr/bin:/bin\n"
                                           "out='" + records.getFullPathName() + "'/$$\n"
                                           "readlink /proc/$$/fd/* > \"$out.fds\"\n"
                                           "{ " + firstOutput + "for a in \"$@\"; do printf '%s\\0' \"$a\"; done; } > \"$out.part\"\n"
                                           "mv \"$out.part\" \"$out.done\"\n", false, false, "\n")
                && script.setExecutePermission (true);
        }

        // $PATH from a pattern with a word in capitals for each folder below.
        juce::String pathFrom (const char* pattern) const
        {
            return juce::String (pattern).replace ("BIN", bin.getFullPathName())
                                         .replace ("EMPTY", empty.getFullPathName())
                                         .replace ("OTHER", other.getFullPathName())
                                         .replace ("NOEXEC", noExec.getFullPathName())
                                         .replace ("DIRECTORY", directory.getFullPathName())
                                         .replace ("DANGLING", dangling.getFullPathName())
                                         .replace ("LINK", link.getFullPathName())
                                         .replace ("BROKEN", broken.getFullPathName());
        }

        // Waits for the one launch expected and checks it, then clears the records.
        void expectOneLaunchWith (const juce::String& argument, const juce::String& row)
        {
            const auto end = juce::Time::getMillisecondCounter() + 5000;
            while (launches (records).isEmpty() && juce::Time::getMillisecondCounter() < end)
                juce::Thread::sleep (10);

            // A second launch, from the decoy, would come at about the same time.
            juce::Thread::sleep (50);

            const auto recorded = launches (records);
            ASSERT_EQ (recorded.size(), 1) << row << ": xdg-open did not start, or more than once";
            EXPECT_EQ (recorded[0].size(), 1) << row;
            EXPECT_EQ (recorded[0][0], argument) << row;

            const auto targets = descriptorTargets (records);
            EXPECT_FALSE (targets.isEmpty()) << row;
            EXPECT_FALSE (targets.contains (leaked.getFullPathName())) << row << ": the host's descriptor was inherited";
            EXPECT_TRUE (atThree.isEmpty() || ! targets.contains (atThree)) << row << ": descriptor 3 was inherited";

            records.deleteRecursively();
            records.createDirectory();
        }

        const juce::File root { juce::File::createTempFile ("launcher") };
        const juce::File bin { root.getChildFile ("bin") };
        const juce::File records { root.getChildFile ("records") };
        const juce::File documents { root.getChildFile ("help files") };
        const juce::File working { root.getChildFile ("working") };
        const juce::File empty { root.getChildFile ("empty") };
        const juce::File other { root.getChildFile ("other") };
        const juce::File noExec { root.getChildFile ("not executable") };
        const juce::File directory { root.getChildFile ("directory") };
        const juce::File dangling { root.getChildFile ("dangling") };
        const juce::File link { root.getChildFile ("link") };
        const juce::File broken { root.getChildFile ("broken") };
        const juce::File leaked { root.getChildFile ("leaked descriptor") };
        juce::String atThree;   // the target of descriptor 3, where a test made it one to leave out
    };

    // Descriptors of the host without close-on-exec, as a sound device's or a
    // socket's would be: one below the launcher's own and one far above and,
    // where asked, 3, the first that is not a standard stream. That is the
    // file where 3 was free; otherwise it is what the host has there (in this
    // program the framework's message queue, which must keep working: a
    // descriptor put in its place would lose the messages posted meanwhile),
    // with close-on-exec cleared until the end.
    struct LeakedDescriptors
    {
        explicit LeakedDescriptors (const juce::File& file, bool onThree = false)
        {
            file.replaceWithText ("open");
            low = ::open (file.getFullPathName().toRawUTF8(), O_RDONLY);
            high = low >= 0 ? dup2 (low, 900) : -1;

            if (onThree && (threeFlags = fcntl (3, F_GETFD)) >= 0)
            {
                fcntl (3, F_SETFD, threeFlags & ~FD_CLOEXEC);
                char target[4096];
                const auto length = readlink ("/proc/self/fd/3", target, sizeof (target));
                threeTarget = juce::String::fromUTF8 (target, (int) std::max<ssize_t> (length, 0));
            }
        }

        ~LeakedDescriptors()
        {
            if (threeFlags >= 0)
                fcntl (3, F_SETFD, threeFlags);

            close (low);
            close (high);
        }

        int low = -1, high = -1, threeFlags = -1;
        juce::String threeTarget;   // what descriptor 3 points to, where asked
    };
}

// Each file name arrives as the one argument, byte for byte, nothing in it
// runs, the file's execute bit plays no part, and the process keeps no child.
// xdg-open is found in any absolute folder of the PATH, never under the
// working folder, past one there that cannot be run, and through a link; it
// gets none of the host's descriptors, 3 included, with close_range or without.
TEST_F (DocumentLauncherStub, StartsXdgOpenWithThePathAsItsOnlyArgument)
{
    struct Case { const char* name; bool executable; const char* path; };
    const Case cases[] = {
        { "user manual (v1).pdf", false, "BIN" },
        { "it's \"the\" manual.pdf", false, "BIN" },
        { "help$(touch dollar).pdf", false, "BIN" },
        { "help`touch backtick`.pdf", false, "BIN" },
        { "back\\slash\\n\\\\ and ; touch semicolon | & > redirect.pdf", false, "BIN" },
        { "run-me.pdf", true, "BIN" },
        { "line\nbreak \xc3\xa9.pdf", false, "BIN" },
        { "second folder.pdf", false, "EMPTY:BIN:OTHER" },
        { "third folder.pdf", false, "EMPTY:OTHER:BIN" },
        { "dot first.pdf", false, ".:BIN" },
        { "empty entry first.pdf", false, ":BIN" },
        { "relative entry first.pdf", false, "../working:BIN" },
        { "relative name first.pdf", false, "bin:BIN" },
        { "trailing slashes.pdf", false, "EMPTY/::BIN/" },
        { "not executable first.pdf", false, "NOEXEC:BIN" },
        { "folder first.pdf", false, "DIRECTORY:BIN" },
        { "dangling link first.pdf", false, "DANGLING:BIN" },
        { "through a link.pdf", false, "LINK" },
    };

    const LeakedDescriptors descriptors (leaked, true);
    ASSERT_GE (descriptors.low, 0);
    ASSERT_EQ (descriptors.high, 900);
    ASSERT_TRUE (descriptors.threeTarget.isNotEmpty());
    atThree = descriptors.threeTarget;

    const Environment environment (pathFrom ("BIN"), working);

    for (const auto& c : cases)
    {
        const auto document = documents.getChildFile (juce::String::fromUTF8 (c.name));
        ASSERT_TRUE (document.replaceWithText (c.executable ? "#!/bin/sh\ntouch executed\n" : "%PDF-1.4\n", false, false, "\n")) << c.name;
        ASSERT_TRUE (document.setExecutePermission (c.executable));
        setenv ("PATH", pathFrom (c.path).toRawUTF8(), 1);

        ASSERT_TRUE (DocumentLauncher::open (document.getFullPathName())) << c.name;
        EXPECT_FALSE (hasChildren()) << c.name << ": a child is left to reap";
        expectOneLaunchWith (document.getFullPathName(), c.name);
    }

    // Where the kernel lacks close_range, the descriptors are closed one by one.
    closeRangeMissing = true;
    const auto opened = DocumentLauncher::open (documents.getChildFile ("run-me.pdf").getFullPathName());
    closeRangeMissing = false;
    ASSERT_TRUE (opened);
    expectOneLaunchWith (documents.getChildFile ("run-me.pdf").getFullPathName(), "without close_range");

    // Nothing the names hold ran, neither here nor in the documents' folder;
    // the decoys are all the working folder holds.
    juce::Thread::sleep (200);
    EXPECT_EQ (working.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 2);
    EXPECT_EQ (documents.getNumberOfChildFiles (juce::File::findFilesAndDirectories), (int) std::size (cases));
    EXPECT_TRUE (launches (records).isEmpty());
    EXPECT_FALSE (hasChildren());

    // No xdg-open on the PATH but in the working folder (a trailing colon
    // names it too), none at all, or one whose exec fails: the launch reports
    // that it did not start, whether the descriptors are marked or closed.
    for (const bool withoutCloseRange : { false, true })
        for (const auto* path : { ".", "EMPTY:OTHER", "OTHER:", "BROKEN" })
        {
            setenv ("PATH", pathFrom (path).toRawUTF8(), 1);
            closeRangeMissing = withoutCloseRange;
            EXPECT_FALSE (DocumentLauncher::open (documents.getChildFile ("run-me.pdf").getFullPathName())) << path << (withoutCloseRange ? " without close_range" : "");
            closeRangeMissing = false;
            EXPECT_FALSE (hasChildren());
        }

    juce::Thread::sleep (200);
    EXPECT_TRUE (launches (records).isEmpty());
}

// A click on the about box's web link hands its address to the same opener:
// one argument, no shell, no child left.
TEST_F (DocumentLauncherStub, TheAboutBoxLinkOpensItsAddressThroughTheOpener)
{
    const LeakedDescriptors descriptors (leaked);
    const Environment environment (pathFrom ("EMPTY:BIN:OTHER"), working);

    AboutDialog about;
    auto& link = AboutDialogTestAccess::link (about);
    link.triggerClick();
    EXPECT_TRUE (editortest::pumpUntil ([this] { return ! launches (records).isEmpty(); }));

    expectOneLaunchWith ("https://www.vantrel-audio.example", "web link");
    EXPECT_FALSE (hasChildren()) << "a child is left to reap";
}
