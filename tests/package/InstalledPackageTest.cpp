#include "EditorTestSupport.h"

#include "platform/registry/SystemRegistry.h"
#include "ui/DocumentLauncher.h"

// The Help command on a system with the package installed: the registry layer
// reads the system's registry file, and the document it names is opened.
TEST (InstalledPackage, HelpOpensTheInstalledManual)
{
    const juce::String manualPath ("/usr/share/doc/vantrel-dither/manual.html");
    ASSERT_EQ (SystemRegistry::getStoreFile().getFullPathName(), "/etc/vantrel/registry");
    // Checked before the command runs: a missing file would make it open a
    // warning box, which needs a display.
    ASSERT_EQ (SystemRegistry::getValue (JuceEditor::helpFileRegistryPath()), manualPath);
    ASSERT_TRUE (juce::File (manualPath).existsAsFile());

    juce::StringArray opened;
    DocumentLauncher::setHandler ([&] (const juce::String& path) { opened.add (path); return true; });
    JucePlugin plugin;
    {
        JuceEditor editor (&plugin);
        JuceEditorTestAccess::help (editor);
    }
    DocumentLauncher::setHandler ({});

    ASSERT_EQ (opened, juce::StringArray (manualPath));

    // The user manual, with the sections a user looks for.
    const auto manual = juce::File (opened[0]).loadFileAsString();
    for (auto* text : { "<title>Vantrel Dither", "What it does", "Set A / Set B", "Bypass", "Save as Default", "Help",
                        "Show tooltips", "A/B sets", "Settings files", ".qwv", "Per-user defaults", "Dither.settings" })
        EXPECT_TRUE (manual.contains (text)) << text;
}
