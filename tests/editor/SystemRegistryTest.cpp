#include <gtest/gtest.h>

#include "platform/registry/SystemRegistry.h"
#include "ui/JuceEditor.h"

namespace
{
    const char* const helpPath = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Vantrel Dither 64bit\\Help_file";

    struct Registry : ::testing::Test
    {
        Registry()             { SystemRegistry::setStoreFile (store.getFile()); }
        ~Registry() override   { SystemRegistry::setStoreFile ({}); }

        juce::TemporaryFile store { ".registry" };
    };
}

TEST (SystemRegistryPaths, TheHelpFileValueAndItsMessage)
{
    EXPECT_EQ (JuceEditor::helpFileRegistryPath(), helpPath);
    EXPECT_EQ (JuceEditor::helpFileMissingMessage ("help.pdf"), "Help file help.pdf not found. Please re-install the software.");
    EXPECT_EQ (JuceEditor::helpFileMissingMessage ({}), "Help file  not found. Please re-install the software.");
}

TEST_F (Registry, ReadsTheValueOfItsPath)
{
    store.getFile().replaceWithText ("# written by the installer\r\n"
                                     "\n"
                                     "; another comment\n"
                                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Other\\Help_file= /elsewhere \t\n"
                                     "hkey_local_machine\\software\\vantrel\\vantrel dither 64bit\\help_file=/usr/share/doc/a b=c.pdf\r\n"
                                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Vantrel Dither 64bit\\Help_file=/second\n");

    // Paths ignore case; the value is the rest of the line as it stands, '='
    // and blanks included, also at its ends; the first line for a path wins.
    EXPECT_EQ (SystemRegistry::getValue (helpPath), "/usr/share/doc/a b=c.pdf");
    EXPECT_EQ (SystemRegistry::getValue ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Other\\Help_file"), " /elsewhere \t");
    EXPECT_EQ (SystemRegistry::getValue ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Vantrel Dither 64bit", "none"), "none");
    EXPECT_EQ (SystemRegistry::getValue ("# written by the installer", "none"), "none");
}

TEST_F (Registry, AMissingOrOversizedStoreGivesTheDefault)
{
    store.getFile().deleteFile();
    EXPECT_EQ (SystemRegistry::getValue (helpPath, "default"), "default");

    juce::String big (helpPath);
    big << "=/x\n" << juce::String::repeatedString ("#", SystemRegistry::maxStoreSize);
    store.getFile().replaceWithText (big);
    EXPECT_EQ (SystemRegistry::getValue (helpPath, "default"), "default");

    store.getFile().replaceWithText (juce::String (helpPath) + "=");
    EXPECT_EQ (SystemRegistry::getValue (helpPath, "default"), "");
}
