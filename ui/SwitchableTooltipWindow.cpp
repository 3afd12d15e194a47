#include "SwitchableTooltipWindow.h"

SwitchableTooltipWindow::SwitchableTooltipWindow (int delayMs)
    : juce::TooltipWindow (nullptr, delayMs), delay (delayMs)
{
}

void SwitchableTooltipWindow::setDelay (int delayMs)
{
    delay = delayMs;
    setMillisecondsBeforeTipAppears (delayMs);
}

juce::String SwitchableTooltipWindow::getTipFor (juce::Component& component)
{
    if (delay == never)
        return {};

    return juce::TooltipWindow::getTipFor (component);
}
