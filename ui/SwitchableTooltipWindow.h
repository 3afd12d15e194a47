#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The editor's tooltip window: the framework's, with a delay that the editor
    switches between 700 ms (tips on) and `never` (tips off).

    The framework's window looks at whatever component of the process is
    under the pointer. With two editors open in one host each window would
    show the other's tips too, stacked, against the other's switch; this one
    offers the tips of its owner's components only, and of the dialogs the
    owner opened (which the desktop holds, not the owner), while they exist.
    Elsewhere it has no tip, and a tip it shows hides when the pointer leaves.

    The framework compares its millisecond counter with the time of the last
    change plus the delay in unsigned 32-bit arithmetic, so with the largest
    delay the sum wraps once the counter passes 2^31 (about 25 days after the
    system started) and tips would show at once. With the `never` delay this
    window therefore offers no tip at all, whatever the counter says.
*/
class SwitchableTooltipWindow : public juce::TooltipWindow
{
public:
    static constexpr int defaultDelay = 700;
    static constexpr int never = 0x7fffffff;

    explicit SwitchableTooltipWindow (juce::Component& owner, int delayMs = defaultDelay);

    /** Sets the delay before a tip appears; `never` switches tips off. */
    void setDelay (int delayMs);

    int getDelay() const noexcept   { return delay; }

    /** Offers the tips of a window that the owner opened, until it is deleted. */
    void addDialog (juce::Component& dialog);

    juce::String getTipFor (juce::Component& component) override;

private:
    bool isOwn (juce::Component& component) const;

    juce::Component& owner;
    juce::Array<juce::Component::SafePointer<juce::Component>> dialogs;
    int delay;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SwitchableTooltipWindow)
};
