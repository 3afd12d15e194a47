#include "Vst3Restore.h"

#include "PluginHost.h"

#include <public.sdk/source/common/memorystream.h>

#include <algorithm>
#include <cstring>

using namespace Steinberg;

namespace
{
    // A read-only stream over a copy of the bytes that tells its size.
    class SizeableStream : public IBStream, public ISizeableStream
    {
    public:
        SizeableStream (const void* data, size_t size) : bytes (data, size) {}

        tresult PLUGIN_API queryInterface (const TUID iid, void** obj) override
        {
            if (FUnknownPrivate::iidEqual (iid, FUnknown::iid) || FUnknownPrivate::iidEqual (iid, IBStream::iid))
                *obj = static_cast<IBStream*> (this);
            else if (FUnknownPrivate::iidEqual (iid, ISizeableStream::iid))
                *obj = static_cast<ISizeableStream*> (this);
            else
                return (*obj = nullptr, kNoInterface);

            addRef();
            return kResultOk;
        }

        uint32 PLUGIN_API addRef() override   { return ++references; }

        uint32 PLUGIN_API release() override
        {
            const auto left = --references;
            if (left == 0)
                delete this;
            return left;
        }

        // In pieces of at most 64 bytes, as a stream that reads from a file
        // or a socket may hand them over: a reader must ask again for the rest.
        tresult PLUGIN_API read (void* buffer, int32 numBytes, int32* numBytesRead) override
        {
            const auto size = (int64) bytes.getSize();
            const auto n = (int32) std::clamp<int64> (size - position, 0, std::clamp<int32> (numBytes, 0, 64));
            if (n > 0)
                std::memcpy (buffer, bytes.begin() + position, (size_t) n);
            position += n;
            if (numBytesRead != nullptr)
                *numBytesRead = n;
            return kResultOk;
        }

        tresult PLUGIN_API write (void*, int32, int32*) override   { return kResultFalse; }

        tresult PLUGIN_API seek (int64 pos, int32 mode, int64* result) override
        {
            const int64 from = mode == kIBSeekSet ? 0 : mode == kIBSeekCur ? position : (int64) bytes.getSize();

            if (mode < kIBSeekSet || mode > kIBSeekEnd || from + pos < 0)
                return kInvalidArgument;

            position = from + pos;
            if (result != nullptr)
                *result = position;
            return kResultOk;
        }

        tresult PLUGIN_API tell (int64* pos) override
        {
            if (pos == nullptr)
                return kInvalidArgument;
            *pos = position;
            return kResultOk;
        }

        tresult PLUGIN_API getStreamSize (int64& size) override   { size = (int64) bytes.getSize(); return kResultOk; }
        tresult PLUGIN_API setStreamSize (int64) override          { return kResultFalse; }

    private:
        const juce::MemoryBlock bytes;
        int64 position = 0;
        uint32 references = 1;
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
    IPtr<IBStream> stream;

    if (kind == Stream::sizeable)
    {
        stream = owned (static_cast<IBStream*> (new SizeableStream (data, size)));
    }
    else
    {
        auto memory = owned (new MemoryStream());
        memory->write (const_cast<void*> (data), (int32) size, nullptr);
        stream = memory;
    }

    stream->seek (0, IBStream::kIBSeekSet, nullptr);
    const auto componentResult = component->setState (stream);
    stream->seek (0, IBStream::kIBSeekSet, nullptr);
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
