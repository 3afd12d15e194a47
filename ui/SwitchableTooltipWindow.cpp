#include "SwitchableTooltipWindow.h"

SwitchableTooltipWindow::SwitchableTooltipWindow (juce::Component& ownerToServe, int delayMs)
    : juce::TooltipWindow (nullptr, delayMs), owner (ownerToServe), delay (delayMs)
{
}

void SwitchableTooltipWindow::setDelay (int delayMs)
{
    delay = delayMs;
    setMillisecondsBeforeTipAppears (delayMs);
}

void SwitchableTooltipWindow::addDialog (juce::Component& dialog)
{
    // The ones already deleted go, so that the list stays as short as the
    // number of dialogs open.
    dialogs.removeIf ([] (auto& d) { return d == nullptr; });
    dialogs.addIfNotAlreadyThere (&dialog);
}

bool SwitchableTooltipWindow::isOwn (juce::Component& component) const
{
    const auto within = [&component] (juce::Component* c) { return c == &component || c->isParentOf (&component); };

    if (within (&owner))
        return true;

    for (auto& d : dialogs)
        if (d != nullptr && within (d.getComponent()))
            return true;

    return false;
}

// An empty tip is no tip: the framework then shows none, and hides the one it
// shows, as it does over a component without a tip.
juce::String SwitchableTooltipWindow::getTipFor (juce::Component& component)
{
    if (delay == never || ! isOwn (component))
        return {};

    return juce::TooltipWindow::getTipFor (component);
}
