#include "DocumentLauncher.h"

namespace
{
    DocumentLauncher::Handler& replacement()
    {
        static DocumentLauncher::Handler handler;
        return handler;
    }
}

void DocumentLauncher::open (const juce::String& path)
{
    if (auto& handler = replacement())
    {
        handler (path);
        return;
    }

    juce::Process::openDocument (path, {});
}

void DocumentLauncher::setHandler (Handler handler)
{
    replacement() = std::move (handler);
}
