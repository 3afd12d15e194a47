#include "DocumentLauncher.h"

#if JUCE_LINUX || JUCE_BSD
 #include <cerrno>
 #include <csignal>
 #include <cstdlib>
 #include <string>

 #include <fcntl.h>
 #include <sys/resource.h>
 #include <sys/stat.h>
 #include <sys/wait.h>
 #include <unistd.h>

extern char** environ;
#endif

namespace
{
    DocumentLauncher::Handler& replacement()
    {
        static DocumentLauncher::Handler handler;
        return handler;
    }

   #if JUCE_LINUX || JUCE_BSD
    // The first regular, executable file of that name in the folders of
    // $PATH (the usual folders when it is unset); empty when there is none.
    // Only absolute entries count: an empty or relative one ("." or "bin")
    // names a folder under the host's working folder, which is wherever the
    // host was started (often a project folder from someone else), and a
    // program found there is not one the user installed.
    std::string findOnPath (const std::string& name)
    {
        const auto* variable = std::getenv ("PATH");
        const std::string folders = variable != nullptr ? variable : "/usr/local/bin:/usr/bin:/bin";

        for (std::string::size_type start = 0; start <= folders.size();)
        {
            auto end = folders.find (':', start);
            if (end == std::string::npos)
                end = folders.size();

            if (end > start && folders[start] == '/')
            {
                const auto candidate = folders.substr (start, end - start) + "/" + name;
                struct stat info;

                if (stat (candidate.c_str(), &info) == 0 && S_ISREG (info.st_mode) && access (candidate.c_str(), X_OK) == 0)
                    return candidate;
            }

            start = end + 1;
        }

        return {};
    }

    void writeError (int fd, int error)
    {
        while (write (fd, &error, sizeof (error)) < 0 && errno == EINTR) {}
    }

    // Leaves only the standard streams to the program: every other
    // descriptor that the host left without close-on-exec (sockets, pipes,
    // device handles) would otherwise pass to the opener and to the viewer
    // it starts, which can outlive the host and keep them busy. They are
    // marked close-on-exec rather than closed, so that the error pipe (which
    // has the mark already) still works until exec succeeds. Where the
    // kernel lacks close_range, each descriptor below the limit, taken
    // before the fork, is closed but the error pipe. Async-signal-safe.
    void closeInheritedDescriptors (int errorPipe, int descriptorLimit)
    {
        if (close_range (3, ~0u, CLOSE_RANGE_CLOEXEC) == 0)
            return;

        for (int fd = 3; fd < descriptorLimit; ++fd)
            if (fd != errorPipe)
                close (fd);
    }

    int descriptorLimit()
    {
        struct rlimit limit;

        if (getrlimit (RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 1u << 20)
            return 1 << 20;

        return (int) limit.rlim_cur;
    }

    // Starts the program with the document as its one argument, in a
    // grandchild: the child between them leaves at once and is reaped here, so
    // the opener belongs to init (or the session's subreaper), which reaps it
    // whenever it ends. No signal handler of the host is touched. Between fork
    // and exec only async-signal-safe calls are made, as the host has other
    // threads; everything they use is prepared before the fork. A pipe that
    // exec closes carries the error of a failed start back.
    bool startDetached (const std::string& program, const std::string& document)
    {
        const char* const argv[] = { program.c_str(), document.c_str(), nullptr };
        const auto limit = descriptorLimit();

        int errorPipe[2];
        if (pipe2 (errorPipe, O_CLOEXEC) != 0)
            return false;

        const auto middle = fork();

        if (middle == 0)
        {
            close (errorPipe[0]);
            const auto opener = fork();

            if (opener == 0)
            {
                // Its own session, as a desktop launch would be, and the
                // signal state of a fresh process: no blocked signals and
                // none that the host ignores (a shell script cannot wait for
                // its commands while SIGCHLD is ignored).
                setsid();

                sigset_t none;
                sigemptyset (&none);
                sigprocmask (SIG_SETMASK, &none, nullptr);

                struct sigaction byDefault {};
                byDefault.sa_handler = SIG_DFL;
                for (int s = 1; s < NSIG; ++s)
                    sigaction (s, &byDefault, nullptr);

                closeInheritedDescriptors (errorPipe[1], limit);

                execve (argv[0], const_cast<char* const*> (argv), environ);
                writeError (errorPipe[1], errno);
                _exit (127);
            }

            if (opener < 0)
                writeError (errorPipe[1], errno);

            _exit (0);
        }

        close (errorPipe[1]);

        if (middle < 0)
        {
            close (errorPipe[0]);
            return false;
        }

        // The child leaves right after its fork. A host that ignores SIGCHLD
        // or reaps every child itself makes this fail with ECHILD: then the
        // child is gone already.
        int status = 0;
        while (waitpid (middle, &status, 0) < 0 && errno == EINTR) {}

        // End of file without an error: exec closed the grandchild's end.
        int error = 0;
        ssize_t got;
        while ((got = read (errorPipe[0], &error, sizeof (error))) < 0 && errno == EINTR) {}
        close (errorPipe[0]);

        return got == 0;
    }
   #endif
}

bool DocumentLauncher::open (const juce::String& path)
{
    if (auto& handler = replacement())
        return handler (path);

   #if JUCE_LINUX || JUCE_BSD
    const auto opener = findOnPath ("xdg-open");
    return ! opener.empty() && startDetached (opener, path.toStdString());
   #else
    return juce::Process::openDocument (path, {});
   #endif
}

void DocumentLauncher::setHandler (Handler handler)
{
    replacement() = std::move (handler);
}
