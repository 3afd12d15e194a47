// The command-line host's answers to bad calls and unusable bundles, run as a
// child process as a user runs it.
#include <gtest/gtest.h>

#include <juce_core/juce_core.h>

#include <cmath>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/wait.h>

namespace
{
    struct Run
    {
        int status = -1;
        juce::String out, err;
    };

    Run runHost (const juce::String& args, const juce::File& folder)
    {
        const auto out = folder.getChildFile ("stdout"), err = folder.getChildFile ("stderr");
        const auto command = "cd '" + folder.getFullPathName() + "' && '" VANTREL_HOST_PATH "' " + args
                           + " >'" + out.getFullPathName() + "' 2>'" + err.getFullPathName() + "'";
        const auto raw = std::system (command.toRawUTF8());
        return { WIFEXITED (raw) ? WEXITSTATUS (raw) : -1, out.loadFileAsString(), err.loadFileAsString() };
    }

    // A shared library that is loaded already and is no VST3 module.
    juce::String mathLibrary()
    {
        Dl_info info {};
        dladdr (reinterpret_cast<void*> (static_cast<double (*) (double)> (&::cos)), &info);
        return info.dli_fname != nullptr ? juce::String (info.dli_fname) : juce::String();
    }
}

TEST (VantrelHost, UsageAndUnusableBundles)
{
    const juce::TemporaryFile scratch;
    const auto dir = scratch.getFile();
    ASSERT_TRUE (dir.createDirectory());

    const auto moduleDir = [&] (const char* bundle) { return dir.getChildFile (bundle).getChildFile ("Contents/x86_64-linux"); };
    dir.getChildFile ("file.vst3").replaceWithText ("not a folder");
    dir.getChildFile ("folder").createDirectory();
    dir.getChildFile ("Empty.vst3").createDirectory();
    moduleDir ("Garbage.vst3").createDirectory();
    moduleDir ("Garbage.vst3").getChildFile ("Garbage.so").replaceWithText ("\x7f" "ELF garbage");
    moduleDir ("Other.vst3").createDirectory();
    ASSERT_TRUE (mathLibrary().isNotEmpty());
    ASSERT_TRUE (juce::File (mathLibrary()).createSymbolicLink (moduleDir ("Other.vst3").getChildFile ("Other.so"), true));

    struct Case { const char* args; int status; bool onStdout; const char* says; };
    const Case cases[] = {
        { "--help",                 0, true,  "Usage: vantrel_host [BUNDLE]" },
        { "-h",                     0, true,  "Exit status: 0 when" },
        { "--verbose",              2, false, "unknown option --verbose" },
        { "--verbose",              2, false, "Usage: vantrel_host [BUNDLE]" },
        { "Empty.vst3 folder",      2, false, "one bundle at most, but folder follows Empty.vst3" },
        { "Missing.vst3",           1, false, "/Missing.vst3: no such file or directory" },
        { "file.vst3",              1, false, "/file.vst3: not a VST3 bundle" },
        { "folder",                 1, false, "/folder: not a VST3 bundle" },
        { "Empty.vst3",             1, false, "no loadable module: " },
        { "Empty.vst3",             1, false, "/Empty.vst3/Contents/x86_64-linux/Empty.so does not exist" },
        { "Garbage.vst3",           1, false, "/Garbage.vst3: no loadable module: " },
        { "Garbage.vst3",           1, false, "Garbage.so" },
        { "Other.vst3",             1, false, "is not a VST3 module (it exports no GetPluginFactory)" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.args);
        const auto run = runHost (c.args, dir);
        EXPECT_EQ (run.status, c.status);
        EXPECT_TRUE ((c.onStdout ? run.out : run.err).contains (c.says)) << "stdout:\n" << run.out << "stderr:\n" << run.err;
        // Nothing is said on the other stream.
        EXPECT_TRUE ((c.onStdout ? run.err : run.out).isEmpty()) << "stdout:\n" << run.out << "stderr:\n" << run.err;
    }
}
