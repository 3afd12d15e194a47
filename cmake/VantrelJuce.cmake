# Settings shared by every target that compiles JUCE modules.

set(VANTREL_JUCE_DEFINITIONS
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1
    JUCE_SILENCE_XCODE_15_LINKER_WARNING=1)

# The VST3 helpers of JUCE 7.0.5 copy each bus's channel mapping (which owns
# vectors) by value inside the process call, so every audio block allocates.
# The build generates a copy of that header that takes the mapping by reference
# and puts it ahead of the installed one; the plug-in's wrapper includes it by
# its module path, so the copy wins.
set(_vst3_common_in "${JUCE_MODULES_DIR}/juce_audio_processors/format_types/juce_VST3Common.h")
if(NOT EXISTS "${_vst3_common_in}")
    set(_vst3_common_in "/usr/share/juce/modules/juce_audio_processors/format_types/juce_VST3Common.h")
endif()
set(VANTREL_JUCE_OVERRIDES_DIR "${CMAKE_BINARY_DIR}/juce_overrides")
file(READ "${_vst3_common_in}" _vst3_common)
set(_needle "const auto mapping = map[busIndex];")
string(FIND "${_vst3_common}" "${_needle}" _pos)
if(_pos EQUAL -1)
    message(FATAL_ERROR "juce_VST3Common.h no longer holds '${_needle}': check whether the copy is still needed")
endif()
string(REPLACE "${_needle}" "const auto& mapping = map[busIndex];" _vst3_common "${_vst3_common}")
# Writes a patched copy through a scratch file, so that the copy keeps its time
# stamp while its text stays the same: a configure run alone then recompiles
# nothing.
function(_vantrel_write_copy text path)
    get_filename_component(_name "${path}" NAME)
    file(WRITE "${CMAKE_BINARY_DIR}/juce_overrides.tmp/${_name}" "${text}")
    configure_file("${CMAKE_BINARY_DIR}/juce_overrides.tmp/${_name}" "${path}" COPYONLY)
endfunction()

_vantrel_write_copy("${_vst3_common}" "${VANTREL_JUCE_OVERRIDES_DIR}/juce_audio_processors/format_types/juce_VST3Common.h")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_vst3_common_in}")

# Replaces the one occurrence of `old` in the variable named `var` with `new`;
# configure stops when the framework's text holds `old` other than once.
function(_vantrel_patch var file old new)
    string(FIND "${${var}}" "${old}" _first)
    string(FIND "${${var}}" "${old}" _last REVERSE)
    if(_first EQUAL -1 OR NOT _first EQUAL _last)
        message(FATAL_ERROR "${file} no longer holds this text exactly once; check whether the patch still fits:\n${old}")
    endif()
    string(REPLACE "${old}" "${new}" _patched "${${var}}")
    set(${var} "${_patched}" PARENT_SCOPE)
endfunction()

# The VST3 wrapper of JUCE 7.0.5 restores the component state through its
# VST 2 compatible framing ("VstW" header, "CcnK" bank, "VST3" preset image,
# private-data trailer) trusting every length, offset and count in it, so a
# damaged project reads out of bounds or crashes the host. The build compiles a
# patched copy of the wrapper instead of the installed one: its restore goes
# through HostStateFraming, which checks the framing against the bytes present,
# and a state whose framing does not fit changes nothing and is refused
# (kResultFalse) by the component and the controller alike.
set(_plugin_client_in "${JUCE_MODULES_DIR}/juce_audio_plugin_client")
if(NOT EXISTS "${_plugin_client_in}/VST3/juce_VST3_Wrapper.cpp")
    set(_plugin_client_in "/usr/share/juce/modules/juce_audio_plugin_client")
endif()
set(_wrapper_in "${_plugin_client_in}/VST3/juce_VST3_Wrapper.cpp")
set(_plugin_client_out "${VANTREL_JUCE_OVERRIDES_DIR}/juce_audio_plugin_client")
file(READ "${_wrapper_in}" _wrapper)
string(REPLACE "\r\n" "\n" _wrapper "${_wrapper}")

# The copy lives elsewhere: its includes of the module's own files take their path.
string(REPLACE "#include \"../utility/" "#include \"${_plugin_client_in}/utility/" _wrapper "${_wrapper}")
if(_wrapper MATCHES "#include \"\\.\\./")
    message(FATAL_ERROR "${_wrapper_in} includes other relative paths; the copy cannot resolve them")
endif()

_vantrel_patch(_wrapper "${_wrapper_in}"
[==[#include <juce_audio_processors/format_types/juce_VST3Common.h>
]==]
[==[#include <juce_audio_processors/format_types/juce_VST3Common.h>
#include "processor/HostStateFraming.h"
]==])

# The whole of the framework's framing reader (loadVST2VstWBlock to
# loadStateData) gives way to one that asks HostStateFraming first.
set(_span_begin "   #if JUCE_VST3_CAN_REPLACE_VST2\n    bool loadVST2VstWBlock (const char* data, int size)\n")
set(_span_end "        setStateInformation (data, size);\n    }\n")
string(FIND "${_wrapper}" "${_span_begin}" _begin)
string(FIND "${_wrapper}" "${_span_end}" _end REVERSE)
if(_begin EQUAL -1 OR _end LESS _begin)
    message(FATAL_ERROR "${_wrapper_in}: the state loaders are not where the patch expects them")
endif()
string(LENGTH "${_span_end}" _span_end_length)
math(EXPR _span_length "${_end} + ${_span_end_length} - ${_begin}")
string(SUBSTRING "${_wrapper}" ${_begin} ${_span_length} _span)
string(MD5 _span_md5 "${_span}")
if(NOT _span_md5 STREQUAL "228d0159e01c9be61b87a6bda1b65b73")
    message(FATAL_ERROR "${_wrapper_in}: the state loaders changed (MD5 ${_span_md5}); check the patch")
endif()
_vantrel_patch(_wrapper "${_wrapper_in}" "${_span}"
[==[   #if ! JUCE_VST3_CAN_REPLACE_VST2
    #error "HostStateFraming reads the VST 2 compatible framing that this wrapper writes only with JUCE_VST3_CAN_REPLACE_VST2"
   #endif

    // The framing around the plug-in's data: every length, offset and count is
    // checked against the bytes present before anything is loaded. False, and
    // nothing loaded, when one does not fit or the state holds no plug-in data.
    bool loadStateData (const void* data, int size)
    {
        const auto pluginData = HostStateFraming::pluginData (data, (size_t) size);

        if (! pluginData.has_value() || pluginData->empty())
            return false;

        for (const auto& range : *pluginData)
            setStateInformation (static_cast<const char*> (data) + range.offset, (int) range.size);

        return true;
    }
]==])

# The component's restore from a stream that tells its size asks for the whole
# state again and again until it has it, each time into the start of its
# buffer: a stream that hands the bytes over in pieces leaves only the last
# piece, at the front. Each read goes after what came before, and asks for
# what is still missing.
_vantrel_patch(_wrapper "${_wrapper_in}"
    "                if (state->read (block.getData(), static_cast<int32> (block.getSize()), &bytesRead) != kResultOk)\n"
    "                if (state->read (static_cast<char*> (block.getData()) + len, static_cast<int32> (block.getSize()) - len, &bytesRead) != kResultOk)\n")

# The component's restore reports whether the state was loaded.
_vantrel_patch(_wrapper "${_wrapper_in}"
    "    bool readFromMemoryStream (IBStream* state)\n"
    "    bool readFromMemoryStream (IBStream* state, bool& loaded)\n")
_vantrel_patch(_wrapper "${_wrapper_in}"
    "            loadStateData (block.getData(), (int) block.getSize());\n"
    "            loaded = loadStateData (block.getData(), (int) block.getSize());\n")
_vantrel_patch(_wrapper "${_wrapper_in}"
    "    bool readFromUnknownStream (IBStream* state)\n"
    "    bool readFromUnknownStream (IBStream* state, bool& loaded)\n")
_vantrel_patch(_wrapper "${_wrapper_in}"
    "        loadStateData (allData.getData(), (int) dataSize);\n"
    "        loaded = loadStateData (allData.getData(), (int) dataSize);\n")
_vantrel_patch(_wrapper "${_wrapper_in}"
[==[            if (! getHostType().isFruityLoops() && readFromMemoryStream (state))
                return kResultTrue;

            if (readFromUnknownStream (state))
                return kResultTrue;
]==]
[==[            bool loaded = false;

            if (! getHostType().isFruityLoops() && readFromMemoryStream (state, loaded))
                return loaded ? kResultTrue : kResultFalse;

            if (readFromUnknownStream (state, loaded))
                return loaded ? kResultTrue : kResultFalse;
]==])

# The controller refuses what the component refuses, before it copies the
# processor's values and asks the host to read them again.
_vantrel_patch(_wrapper "${_wrapper_in}"
[==[    tresult PLUGIN_API setComponentState (IBStream* stream) override
    {
        // As an IEditController member, the host should only call this from the message thread.
        assertHostMessageThread();
]==]
[==[    // The whole stream from its start, read as the component reads it.
    static bool componentStateFits (IBStream& stream)
    {
        if (stream.seek (0, IBStream::kIBSeekSet, nullptr) != kResultTrue)
            return false;

        MemoryOutputStream allData;
        char buffer[4096];

        for (;;)
        {
            Steinberg::int32 bytesRead = 0;
            const auto status = stream.read (buffer, (Steinberg::int32) sizeof (buffer), &bytesRead);

            if (bytesRead <= 0 || (status != kResultTrue && ! getHostType().isWavelab()))
                break;

            allData.write (buffer, static_cast<size_t> (bytesRead));
        }

        const auto pluginData = HostStateFraming::pluginData (allData.getData(), allData.getDataSize());
        return allData.getDataSize() > 0 && pluginData.has_value() && ! pluginData->empty();
    }

    tresult PLUGIN_API setComponentState (IBStream* stream) override
    {
        // As an IEditController member, the host should only call this from the message thread.
        assertHostMessageThread();

        if (stream != nullptr && ! componentStateFits (*stream))
            return kResultFalse;
]==])

# Every open view registers the plug-in's event handler for its frame's run
# loop, and hosts hand all their views the same run loop, so the wrapper keeps
# one entry per view in a multiset. Closing a view must take away its own
# entry only: erasing by value takes all of them, which detaches the plug-in's
# event handling (X events, messages, timers) from the host while other views
# are still open, and leaves their windows frozen.
_vantrel_patch(_wrapper "${_wrapper_in}"
    "            refreshAttachedEventLoop ([this, runLoop] { hostRunLoops.erase (runLoop); });\n"
[==[            refreshAttachedEventLoop ([this, runLoop]
            {
                const auto entry = hostRunLoops.find (runLoop);

                if (entry != hostRunLoops.end())
                    hostRunLoops.erase (entry);
            });
]==])

# Xlib reads every event that has arrived into a queue of its own whenever the
# plug-in waits for a reply of the X server: a window of the plug-in destroyed
# and synced, a pointer position asked for. The descriptor that the host's run
# loop watches then stays quiet for those events, and they wait until the next
# event arrives: when a dialog of the plug-in closes, the editors it uncovered
# keep its picture, and a key press can wait unhandled. The wrapper handles
# what that queue holds after each callback it runs, and on a short timer of
# the host's run loop for the calls that a host makes into the plug-in directly
# (a view removed, resized).
_vantrel_patch(_wrapper "${_wrapper_in}"
[==[    void PLUGIN_API onFDIsSet (Steinberg::Linux::FileDescriptor fd) override
    {
        updateCurrentMessageThread();
        LinuxEventLoopInternal::invokeEventLoopCallbackForFd (fd);
    }
]==]
[==[    void PLUGIN_API onFDIsSet (Steinberg::Linux::FileDescriptor fd) override
    {
        updateCurrentMessageThread();
        LinuxEventLoopInternal::invokeEventLoopCallbackForFd (fd);
        dispatchQueuedXEvents();
    }

    /*  Handles the events that Xlib has already read from the X connection,
        which no longer make its descriptor readable. Reads nothing itself:
        with none queued it does not touch the connection. */
    static void dispatchQueuedXEvents()
    {
        auto* windowSystem = XWindowSystem::getInstanceWithoutCreating();
        auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;

        if (display == nullptr)
            return;

        int queued = 0;
        {
            XWindowSystemUtilities::ScopedXLock xLock;
            queued = X11Symbols::getInstance()->xEventsQueued (display, QueuedAlready);
        }

        if (queued > 0)
            LinuxEventLoopInternal::invokeEventLoopCallbackForFd (X11Symbols::getInstance()->xConnectionNumber (display));
    }
]==])
_vantrel_patch(_wrapper "${_wrapper_in}"
[==[        AttachedEventLoop (Steinberg::Linux::IRunLoop* loopIn, Steinberg::Linux::IEventHandler* handlerIn)
            : loop (loopIn), handler (handlerIn)
        {
            for (auto& fd : LinuxEventLoopInternal::getRegisteredFds())
                loop->registerEventHandler (handler, fd);
        }
]==]
[==[        AttachedEventLoop (Steinberg::Linux::IRunLoop* loopIn, Steinberg::Linux::IEventHandler* handlerIn,
                           Steinberg::Linux::ITimerHandler* timerIn)
            : loop (loopIn), handler (handlerIn), timer (timerIn)
        {
            for (auto& fd : LinuxEventLoopInternal::getRegisteredFds())
                loop->registerEventHandler (handler, fd);

            loop->registerTimer (timer, queuedXEventsInterval);
        }
]==])
_vantrel_patch(_wrapper "${_wrapper_in}"
[==[            loop->unregisterEventHandler (handler);
        }

    private:
        void swap (AttachedEventLoop& other)
        {
            std::swap (other.loop, loop);
            std::swap (other.handler, handler);
        }

        Steinberg::Linux::IRunLoop* loop = nullptr;
        Steinberg::Linux::IEventHandler* handler = nullptr;
    };
]==]
[==[            loop->unregisterEventHandler (handler);
            loop->unregisterTimer (timer);
        }

    private:
        void swap (AttachedEventLoop& other)
        {
            std::swap (other.loop, loop);
            std::swap (other.handler, handler);
            std::swap (other.timer, timer);
        }

        // Often enough that an uncovered editor is drawn again within a frame.
        static constexpr Steinberg::Linux::TimerInterval queuedXEventsInterval = 10;

        Steinberg::Linux::IRunLoop* loop = nullptr;
        Steinberg::Linux::IEventHandler* handler = nullptr;
        Steinberg::Linux::ITimerHandler* timer = nullptr;
    };

    /*  The timer that handles queued X events; it lives as long as the
        event handler, which unregisters it before it goes. */
    struct QueuedXEventsTimer final : public Steinberg::Linux::ITimerHandler
    {
        void PLUGIN_API onTimer() override   { dispatchQueuedXEvents(); }

        Steinberg::uint32 PLUGIN_API addRef() override    { return 1000; }
        Steinberg::uint32 PLUGIN_API release() override   { return 1000; }

        // The framework defines no IID object for this interface: its IID
        // constant is compared instead.
        tresult PLUGIN_API queryInterface (const TUID targetIID, void** obj) override
        {
            if (doUIDsMatch (targetIID, Steinberg::Linux::ITimerHandler_iid) || doUIDsMatch (targetIID, FUnknown::iid))
            {
                *obj = static_cast<Steinberg::Linux::ITimerHandler*> (this);
                return kResultOk;
            }

            *obj = nullptr;
            return kNoInterface;
        }
    };
]==])
_vantrel_patch(_wrapper "${_wrapper_in}"
    "            attachedEventLoop = AttachedEventLoop (*hostRunLoops.begin(), this);\n"
    "            attachedEventLoop = AttachedEventLoop (*hostRunLoops.begin(), this, &queuedXEventsTimer);\n")
_vantrel_patch(_wrapper "${_wrapper_in}"
    "    std::multiset<Steinberg::Linux::IRunLoop*> hostRunLoops;\n"
    "    QueuedXEventsTimer queuedXEventsTimer;\n    std::multiset<Steinberg::Linux::IRunLoop*> hostRunLoops;\n")

_vantrel_write_copy("${_wrapper}" "${_plugin_client_out}/VST3/juce_VST3_Wrapper.cpp")
configure_file("${_plugin_client_in}/juce_audio_plugin_client_VST3.cpp" "${_plugin_client_out}/juce_audio_plugin_client_VST3.cpp" COPYONLY)
set(VANTREL_VST3_CLIENT_SOURCE_IN "${_plugin_client_in}/juce_audio_plugin_client_VST3.cpp")
set(VANTREL_VST3_CLIENT_SOURCE "${_plugin_client_out}/juce_audio_plugin_client_VST3.cpp")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_wrapper_in}" "${VANTREL_VST3_CLIENT_SOURCE_IN}")

# A top-level window of JUCE 7.0.5 on X11 takes its position and size from the
# server at every ConfigureNotify and ReparentNotify. While the window manager
# is still taking a newly mapped window in (reparenting it into its frame,
# placing it), the server can answer with a geometry the window only has for
# that moment: the frame's origin, or the size the window was created with.
# At its first paint the window then sends the bounds its component holds back
# to the server, to overrule such a default; when the passing geometry has
# already reached the component, that makes it permanent. On a busy machine a
# dialog then sits in the screen's corner, or a window keeps its 128 x 128
# creation size. The copy of the module compiled here sends, at the first
# paint, the bounds last asked for instead.
#
# The framework closes a popup menu as soon as no window of the process has
# the keyboard focus. On X11 a click into the plug-in's view makes the window
# manager hand the focus to the host's window, and the host passes it on to a
# window of its own, at the click's time, while the view takes the focus for
# itself at once: when the host's request comes last, the menu the click opened
# closes again at once. In the copy, a menu of an embedded view that finds the
# focus in the top-level window holding the view takes it back for the view
# once and stays open; focus that goes anywhere else, or there a second time,
# closes it as before.
#
# Every other file of the module is the installed one.
set(_gui_basics_in "${JUCE_MODULES_DIR}/juce_gui_basics")
if(NOT EXISTS "${_gui_basics_in}/native/juce_linux_Windowing.cpp")
    set(_gui_basics_in "/usr/share/juce/modules/juce_gui_basics")
endif()
set(_gui_basics_out "${VANTREL_JUCE_OVERRIDES_DIR}/juce_gui_basics")
file(READ "${_gui_basics_in}/native/juce_linux_Windowing.cpp" _windowing)
if(_windowing MATCHES "#include")
    message(FATAL_ERROR "juce_linux_Windowing.cpp includes other files; the copy cannot resolve them")
endif()
_vantrel_patch(_windowing "juce_linux_Windowing.cpp"
    "    void forceSetBounds (const Rectangle<int>& correctedNewBounds, bool isNowFullScreen)\n    {\n        bounds = correctedNewBounds;\n"
    "    void forceSetBounds (const Rectangle<int>& correctedNewBounds, bool isNowFullScreen)\n    {\n        bounds = correctedNewBounds;\n        requestedBounds = correctedNewBounds;\n")
_vantrel_patch(_windowing "juce_linux_Windowing.cpp"
    "                        peer.forceSetBounds (ScalingHelpers::scaledScreenPosToUnscaled (peer.component,\n                                                                                        peer.component.getBoundsInParent()),\n                                             peer.isFullScreen());\n"
    "                        // The bounds last asked for: the component's may already hold a\n                        // geometry the window manager gave the window only while taking it in.\n                        peer.forceSetBounds (peer.requestedBounds ? *peer.requestedBounds\n                                                                  : ScalingHelpers::scaledScreenPosToUnscaled (peer.component,\n                                                                                                               peer.component.getBoundsInParent()),\n                                             peer.isFullScreen());\n")
_vantrel_patch(_windowing "juce_linux_Windowing.cpp" "} // namespace juce" [==[
// True for a view embedded in a window of another program (a plug-in's view in
// its host's window) while the keyboard focus is anywhere in the top-level
// window that holds it.
bool isFocusInWindowHoldingView (Component* c)
{
    auto* peer = c != nullptr ? dynamic_cast<LinuxComponentPeer*> (c->getPeer()) : nullptr;
    auto* display = XWindowSystem::getInstance()->getDisplay();

    if (peer == nullptr || peer->getParentWindow() == 0 || display == nullptr)
        return false;

    XWindowSystemUtilities::ScopedXLock xLock;

    // The child of the root window that holds the window: the window
    // manager's frame, for a managed window.
    const auto topLevelOf = [display] (::Window w) -> ::Window
    {
        while (w != 0)
        {
            ::Window root = 0, parent = 0, * children = nullptr;
            unsigned int numChildren = 0;

            if (X11Symbols::getInstance()->xQueryTree (display, w, &root, &parent, &children, &numChildren) == 0)
                return 0;

            if (children != nullptr)
                X11Symbols::getInstance()->xFree (children);

            if (parent == root)
                return w;

            w = parent;
        }

        return 0;
    };

    ::Window focus = 0;
    int revert = 0;
    X11Symbols::getInstance()->xGetInputFocus (display, &focus, &revert);

    if (focus == None || focus == PointerRoot)
        return false;

    const auto holder = topLevelOf ((::Window) peer->getNativeHandle());
    return holder != 0 && topLevelOf (focus) == holder;
}

} // namespace juce
]==])
_vantrel_patch(_windowing "juce_linux_Windowing.cpp"
    "    static bool isActiveApplication;\n    bool focused = false;\n"
    "    static bool isActiveApplication;\n    bool focused = false;\n    std::optional<Rectangle<int>> requestedBounds;\n")
_vantrel_write_copy("${_windowing}" "${_gui_basics_out}/native/juce_linux_Windowing.cpp")

file(READ "${_gui_basics_in}/menus/juce_PopupMenu.cpp" _popup_menu)
if(_popup_menu MATCHES "#include")
    message(FATAL_ERROR "juce_PopupMenu.cpp includes other files; the copy cannot resolve them")
endif()
_vantrel_patch(_popup_menu "juce_PopupMenu.cpp" "    bool doesAnyJuceCompHaveFocus()\n    {\n" [==[
    bool doesAnyJuceCompHaveFocus()
    {
        if (doesAnyJuceCompHaveFocusItself())
            return true;

       #if JUCE_LINUX || JUCE_BSD
        // Found in the window that holds the view the first time, the focus is
        // taken back, so that the menu's keys reach it; after that, the focus
        // moving there closes the menu as it does anywhere else.
        if (! focusTakenBack && isFocusInWindowHoldingView (componentAttachedTo))
        {
            focusTakenBack = true;

            if (auto* peer = componentAttachedTo->getPeer())
                peer->grabFocus();

            return true;
        }
       #endif

        return false;
    }

    bool doesAnyJuceCompHaveFocusItself()
    {
]==])
_vantrel_patch(_popup_menu "juce_PopupMenu.cpp"
    "hideOnExit = false, disableMouseMoves = false, hasAnyJuceCompHadFocus = false;"
    "hideOnExit = false, disableMouseMoves = false, hasAnyJuceCompHadFocus = false, focusTakenBack = false;")
_vantrel_write_copy("${_popup_menu}" "${_gui_basics_out}/menus/juce_PopupMenu.cpp")

# The module's unity source, with its includes taken from the installed module
# except the patched files.
file(READ "${_gui_basics_in}/juce_gui_basics.cpp" _gui_basics)
_vantrel_patch(_gui_basics "juce_gui_basics.cpp"
    "#include \"native/juce_linux_Windowing.cpp\""
    "#include \"${_gui_basics_out}/native/juce_linux_Windowing.cpp\"")
_vantrel_patch(_gui_basics "juce_gui_basics.cpp"
    "    bool isEmbeddedInForegroundProcess (Component* c);\n"
    "    bool isEmbeddedInForegroundProcess (Component* c);\n    bool isFocusInWindowHoldingView (Component* c);\n")
_vantrel_patch(_gui_basics "juce_gui_basics.cpp"
    "#include \"menus/juce_PopupMenu.cpp\""
    "#include \"${_gui_basics_out}/menus/juce_PopupMenu.cpp\"")
string(REGEX REPLACE "#include \"([^/\"][^\"]*)\"" "#include \"${_gui_basics_in}/\\1\"" _gui_basics "${_gui_basics}")
_vantrel_write_copy("${_gui_basics}" "${_gui_basics_out}/juce_gui_basics.cpp")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_gui_basics_in}/juce_gui_basics.cpp"
    "${_gui_basics_in}/native/juce_linux_Windowing.cpp" "${_gui_basics_in}/menus/juce_PopupMenu.cpp")

# Makes every target that uses the interface target compile the copy in place
# of the installed source; configure stops when the target no longer has it.
function(vantrel_use_copy target source copy)
    get_target_property(_sources ${target} INTERFACE_SOURCES)
    list(FIND _sources "${source}" _index)
    if(_index EQUAL -1)
        message(FATAL_ERROR "${target} no longer compiles ${source}")
    endif()
    list(REMOVE_AT _sources ${_index})
    list(APPEND _sources "${copy}")
    set_property(TARGET ${target} PROPERTY INTERFACE_SOURCES "${_sources}")
endfunction()

# The plug-in and the test host alike compile the copy.
vantrel_use_copy(juce_gui_basics "${_gui_basics_in}/juce_gui_basics.cpp" "${_gui_basics_out}/juce_gui_basics.cpp")

# Our own sources are compiled with these options: IEEE arithmetic exactly as
# written (no contraction into fused multiply-adds, no fast-math), since the
# engine's output is exact to the bit. Our own warnings are on for them too.
set(VANTREL_STRICT_FP_OPTIONS -ffp-contract=off -fno-fast-math -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)

# Embedded resources as byte arrays: the framework's juce_add_binary_data, with
# a build graph that works. The framework's version rewrites its list of input
# files at every configure run and makes the generated sources depend on that
# list alone, so every configure run regenerates and recompiles the resources
# and relinks everything that uses them, while a changed resource file is not
# picked up at all. Here the generated sources depend on the resource files,
# and the list is rewritten only when it changes.
function(vantrel_add_binary_data target namespace header)
    set(folder "${CMAKE_CURRENT_BINARY_DIR}/juce_binarydata_${target}/JuceLibraryCode")
    set(outputs "${folder}/${header}")
    set(list_text "")
    set(index 0)
    foreach(source IN LISTS ARGN)
        math(EXPR index "${index} + 1")
        list(APPEND outputs "${folder}/BinaryData${index}.cpp")
        string(APPEND list_text "${source}\n")
    endforeach()
    file(WRITE "${folder}/input_file_list.tmp" "${list_text}")
    configure_file("${folder}/input_file_list.tmp" "${folder}/input_file_list" COPYONLY)

    add_custom_command(OUTPUT ${outputs}
        COMMAND juce::juceaide binarydata "${namespace}" "${header}" "${folder}" "${folder}/input_file_list"
        DEPENDS ${ARGN} "${folder}/input_file_list"
        VERBATIM)
    add_library(${target} STATIC ${outputs})
    target_include_directories(${target} INTERFACE "${folder}")
    target_compile_features(${target} PRIVATE cxx_std_17)
endfunction()
