#include "SettingsFileChooser.h"

#include "ui/WindowStacking.h"

#if JUCE_LINUX || JUCE_BSD
 #include <cerrno>
 #include <algorithm>
 #include <fstream>
 #include <string>

 #include <sys/wait.h>
 #include <unistd.h>
#endif

namespace
{
   #if JUCE_LINUX || JUCE_BSD
    // The processes that the calling thread has started and nobody has
    // reaped yet. Empty where the kernel does not list them.
    std::vector<pid_t> childrenOfThisThread()
    {
        std::vector<pid_t> children;
        std::ifstream list ("/proc/self/task/" + std::to_string (gettid()) + "/children");

        for (long pid; list >> pid;)
            children.push_back ((pid_t) pid);

        return children;
    }
   #endif
}

SettingsFileChooser::~SettingsFileChooser()
{
    closeDialog();
}

void SettingsFileChooser::chooseFileToLoad (Callback onChosen)
{
    launch (loadTitle, juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles,
            std::move (onChosen));
}

void SettingsFileChooser::chooseFileToSave (Callback onChosen)
{
    launch (saveTitle, juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles
                           | juce::FileBrowserComponent::warnAboutOverwriting,
            std::move (onChosen));
}

void SettingsFileChooser::cancel()
{
    closeDialog();
}

void SettingsFileChooser::setDialogOwner (juce::Component* owner)
{
    dialogOwner = owner;
}

void SettingsFileChooser::closeDialog()
{
    // The framework's chooser closes its dialog and drops the callback when
    // it is destroyed. A native dialog (zenity, kdialog) is a child process
    // that it kills but never waits for: that one is reaped here.
    dialog.reset();
    reapDialogProcess();
}

void SettingsFileChooser::launch (const char* title, int flags, Callback onChosen)
{
    // A dialog still open is replaced and reports nothing.
    closeDialog();
    dialog = std::make_unique<juce::FileChooser> (title, juce::File(), filePattern, true);

   #if JUCE_LINUX || JUCE_BSD
    // The native dialog is the one process that this thread starts in the
    // launch and leaves running (the framework waits for the 'which' checks
    // it makes before). Other threads' children are listed elsewhere.
    const auto before = childrenOfThisThread();
   #endif

    dialog->launchAsync (flags, [this, onChosen = std::move (onChosen)] (const juce::FileChooser& chooser)
    {
        // The framework has reaped the dialog's process before it reports.
        dialogProcess = 0;

        // No result when the user cancelled: getResult gives an empty file.
        onChosen (chooser.getResult());
    });

   #if JUCE_LINUX || JUCE_BSD
    std::vector<pid_t> started;
    for (auto pid : childrenOfThisThread())
        if (std::find (before.begin(), before.end(), pid) == before.end())
            started.push_back (pid);

    if (started.size() == 1)
        dialogProcess = started.front();
   #endif

    // The framework's own dialog, where no native one is to be had, is a
    // window of this process that has just entered the modal state.
    auto* ownDialog = dynamic_cast<juce::FileChooserDialogBox*> (juce::Component::getCurrentlyModalComponent());

    if (ownDialog != nullptr && dialogOwner != nullptr)
        WindowStacking::keepAbove (*ownDialog, *dialogOwner);
}

void SettingsFileChooser::reapDialogProcess()
{
   #if JUCE_LINUX || JUCE_BSD
    if (dialogProcess <= 0)
        return;

    // The framework has just sent SIGKILL, so the process is gone within
    // moments; it is waited for a while, by its own id only, since other
    // children of the host are the host's to reap. ECHILD: someone else
    // reaped it (a host that ignores SIGCHLD).
    for (int waited = 0; waited < 2000; ++waited)
    {
        int status = 0;
        const auto result = waitpid (dialogProcess, &status, WNOHANG);

        if (result == dialogProcess || (result < 0 && errno != EINTR))
            break;

        if (result == 0)
            usleep (1000);
    }

    dialogProcess = 0;
   #endif
}
