// A processor in a process of its own, for the settings tests. It answers
// "ready" once constructed, then reads commands, one a line, and answers each
// with "ok" after writing the settings file as the delayed save would:
//   defaults D N B   Save as Default of those three values
//   tooltips         the tooltip switch
// It ends at the end of its input.
#include <iostream>
#include <sstream>
#include <string>

#include "processor/JucePlugin.h"
#include "processor/UserSettings.h"

int main()
{
    juce::ScopedJuceInitialiser_GUI framework;
    {
        JucePlugin plugin;
        auto& settings = *plugin.getSettings();
        std::cout << "ready" << std::endl;

        for (std::string line; std::getline (std::cin, line);)
        {
            std::istringstream in (line);
            std::string command;
            int dither = 0, shaping = 0, depth = 0;
            in >> command >> dither >> shaping >> depth;

            if (command == "defaults")
                settings.storeDefaults (dither, shaping, depth);
            else if (command == "tooltips")
                settings.switchTooltips();

            settings.saveIfNeeded();
            std::cout << "ok" << std::endl;
        }
    }
    juce::DeletedAtShutdown::deleteAll();
    return 0;
}
