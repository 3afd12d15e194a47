// The module entry points that the Windows build of the module exports beside
// the VST3 factory. They return true and do nothing else; on Linux the VST3
// wrapper's ModuleEntry and ModuleExit do the framework's work, and these are
// exported so that the module offers the same set of functions everywhere.
extern "C"
{
    __attribute__ ((visibility ("default"))) bool InitDll()  { return true; }
    __attribute__ ((visibility ("default"))) bool ExitDll()  { return true; }
}
