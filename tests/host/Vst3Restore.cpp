#include "Vst3Restore.h"

#include "PluginHost.h"

#include <public.sdk/source/common/memorystream.h>

#include <algorithm>
#include <cstring>

using namespace Steinberg;

namespace
{
    // The SDK's memory stream that also tells its size, and hands its bytes
    // over in pieces of at most 64 bytes, as a stream that reads from a file
    // or a socket may: a reader must ask again for the rest.
    class SizeableStream : public MemoryStream, public ISizeableStream
    {
    public:
        tresult PLUGIN_API queryInterface (const TUID iid, void** obj) override
        {
            if (! FUnknownPrivate::iidEqual (iid, ISizeableStream::iid))
                return MemoryStream::queryInterface (iid, obj);

            addRef();
            *obj = static_cast<ISizeableStream*> (this);
            return kResultOk;
        }

        uint32 PLUGIN_API addRef() override    { return MemoryStream::addRef(); }
        uint32 PLUGIN_API release() override   { return MemoryStream::release(); }

        tresult PLUGIN_API read (void* buffer, int32 numBytes, int32* numBytesRead) override
        {
            return MemoryStream::read (buffer, std::min<int32> (numBytes, 64), numBytesRead);
        }

        tresult PLUGIN_API getStreamSize (int64& size) override   { size = getSize(); return kResultOk; }
        tresult PLUGIN_API setStreamSize (int64) override          { return kResultFalse; }
    };
}

Vst3Restore::Vst3Restore (juce::AudioPluginInstance& instance)
{
    struct Visitor : juce::ExtensionsVisitor
    {
        void visitVST3Client (const VST3Client& client) override   { found = client.getIComponentPtr(); }
        Vst::IComponent* found = nullptr;
    } visitor;

    instance.getExtensions (visitor);
    component = visitor.found;

    // The module the instance came from, loaded once more: the same factory.
    module.open (PluginHost::bundle().getChildFile ("Contents/x86_64-linux/Vantrel_Dither.so").getFullPathName());
    auto* getFactory = reinterpret_cast<IPluginFactory* (*)()> (module.getFunction ("GetPluginFactory"));
    TUID controllerId {};

    if (component == nullptr || getFactory == nullptr || component->getControllerClassId (controllerId) != kResultOk)
        return;

    factory = getFactory();
    factory->createInstance (controllerId, Vst::IEditController::iid, (void**) &controller);

    if (controller == nullptr)
        return;

    controller->initialize (nullptr);
    component->queryInterface (Vst::IConnectionPoint::iid, (void**) &componentPoint);
    controller->queryInterface (Vst::IConnectionPoint::iid, (void**) &controllerPoint);
    controllerPoint->connect (componentPoint);
}

Vst3Restore::~Vst3Restore()
{
    if (controller != nullptr)
    {
        controllerPoint->disconnect (componentPoint);
        controllerPoint->release();
        componentPoint->release();
        controller->terminate();
        controller->release();
    }

    if (factory != nullptr)
        factory->release();
}

std::pair<tresult, tresult> Vst3Restore::restore (const void* data, size_t size, Stream kind)
{
    auto stream = owned (kind == Stream::sizeable ? new SizeableStream() : new MemoryStream());
    stream->write (const_cast<void*> (data), (int32) size, nullptr);
    stream->seek (0, IBStream::kIBSeekSet, nullptr);
    const auto componentResult = component->setState (stream);
    stream->seek (0, kind == Stream::atEnd ? IBStream::kIBSeekEnd : IBStream::kIBSeekSet, nullptr);
    return { componentResult, controller->setComponentState (stream) };
}

Vst3Restore::Seen Vst3Restore::seen()
{
    IPtr<MemoryStream> stream (new MemoryStream(), false);
    component->getState (stream);
    Seen result { juce::MemoryBlock (stream->getData(), (size_t) stream->getSize()), {} };

    for (int32 i = 0; i < controller->getParameterCount(); ++i)
    {
        Vst::ParameterInfo info {};
        controller->getParameterInfo (i, info);
        result.values.push_back (controller->getParamNormalized (info.id));
    }

    return result;
}

juce::MemoryBlock Vst3Restore::presetImage (const juce::MemoryBlock& componentState)
{
    juce::MemoryOutputStream out;
    out.write ("VST3", 4);
    out.writeInt (1);
    out.write ("0123456789ABCDEF0123456789ABCDEF", 32);
    out.writeInt64 (48 + (juce::int64) componentState.getSize());
    out << componentState;
    out.write ("List", 4);
    out.writeInt (1);
    out.write ("Comp", 4);
    out.writeInt64 (48);
    out.writeInt64 ((juce::int64) componentState.getSize());
    return out.getMemoryBlock();
}
