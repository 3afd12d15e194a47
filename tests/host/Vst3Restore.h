#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivstmessage.h>

#include <utility>
#include <vector>

// Restores component states into a loaded instance through the VST3
// interfaces, as a host restores a project: IComponent::setState, then
// IEditController::setComponentState on a controller of the module's own that
// is connected to the instance's component.
class Vst3Restore
{
public:
    explicit Vst3Restore (juce::AudioPluginInstance& instance);
    ~Vst3Restore();

    bool isReady() const noexcept   { return controller != nullptr; }

    /** The stream that the host hands over: one that only reads and seeks,
        as the SDK's MemoryStream, or one that also tells its size
        (ISizeableStream), as many hosts' streams do, and hands its bytes
        over in small pieces; the framework reads the latter by its size.
        atEnd is a plain one that reaches the controller positioned at its
        end, as a host leaves it that does not rewind after the component. */
    enum class Stream { plain, sizeable, atEnd };

    /** The component's result, then the controller's. */
    std::pair<Steinberg::tresult, Steinberg::tresult> restore (const void* data, size_t size, Stream kind = Stream::plain);
    std::pair<Steinberg::tresult, Steinberg::tresult> restore (const juce::MemoryBlock& state, Stream kind = Stream::plain)
    {
        return restore (state.getData(), state.getSize(), kind);
    }

    /** What the host sees: the component's saved state and the controller's values. */
    struct Seen
    {
        juce::MemoryBlock state;
        std::vector<double> values;

        bool operator== (const Seen& other) const   { return state == other.state && values == other.values; }
    };

    Seen seen();

    /** A preset image as hosts save one: header, the component state at 48,
        then the list with its one "Comp" entry. */
    static juce::MemoryBlock presetImage (const juce::MemoryBlock& componentState);

private:
    juce::DynamicLibrary module;
    Steinberg::Vst::IComponent* component = nullptr;
    Steinberg::IPluginFactory* factory = nullptr;
    Steinberg::Vst::IEditController* controller = nullptr;
    Steinberg::Vst::IConnectionPoint* componentPoint = nullptr;
    Steinberg::Vst::IConnectionPoint* controllerPoint = nullptr;
};
