#include "SettingsFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    bool isLink (const std::string& path)
    {
        struct stat info {};
        return ::lstat (path.c_str(), &info) == 0 && S_ISLNK (info.st_mode);
    }

    // A regular file, or nothing at all yet: what a write may replace or
    // create. The path is the end of a chain of links, itself no link.
    bool isRegularOrMissing (const std::string& path)
    {
        struct stat info {};
        return ::lstat (path.c_str(), &info) == 0 ? S_ISREG (info.st_mode) : errno == ENOENT;
    }

    // The text of the link, or nothing when it cannot be read.
    std::string linkText (const std::string& path)
    {
        char buffer[PATH_MAX];
        const auto length = ::readlink (path.c_str(), buffer, sizeof (buffer));
        return length > 0 && (size_t) length < sizeof (buffer) ? std::string (buffer, (size_t) length) : std::string();
    }

    // The path with every link in its folder part resolved by the kernel; its
    // last component stays as it is, so that a link there can be taken one
    // step at a time. Nothing when the folder does not exist.
    std::string withRealFolder (const std::string& path)
    {
        const auto slash = path.find_last_of ('/');
        const auto folder = slash == std::string::npos ? std::string (".") : (slash == 0 ? std::string ("/") : path.substr (0, slash));
        const auto name = slash == std::string::npos ? path : path.substr (slash + 1);

        // "." or ".." as the last component names a folder, never a file.
        if (name.empty() || name == "." || name == "..")
            return {};

        char resolved[PATH_MAX];
        if (::realpath (folder.c_str(), resolved) == nullptr)
            return {};

        const std::string real (resolved);
        return (real == "/" ? real : real + "/") + name;
    }
}

juce::File SettingsFile::withSettingsExtension (const juce::File& chosen)
{
    const auto path = chosen.getFullPathName();

    if (chosen.getFileExtension().isEmpty() || ! path.toLowerCase().endsWith (extension))
        return juce::File (path + extension);

    return chosen;
}

bool SettingsFile::read (const juce::File& file, juce::MemoryBlock& content, size_t maxSize)
{
    // Opened without waiting (a FIFO would wait for a writer), and read only
    // when what was opened is a regular file. The check is on the descriptor,
    // not the path, so that nothing put in the file's place meanwhile is
    // read: a device or a FIFO never is, and a socket cannot be opened.
    const int fd = ::open (file.getFullPathName().toRawUTF8(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);

    if (fd < 0)
        return false;

    struct stat info {};
    bool ok = ::fstat (fd, &info) == 0 && S_ISREG (info.st_mode);

    if (ok)
    {
        // One byte more than allowed tells a file at the bound from a larger one.
        content.reset();
        char buffer[16384];

        while (content.getSize() <= maxSize)
        {
            const auto got = ::read (fd, buffer, sizeof (buffer));

            if (got < 0 && errno == EINTR)
                continue;

            if (got <= 0)
            {
                ok = got == 0;
                break;
            }

            content.append (buffer, (size_t) got);
        }

        if (! ok || content.getSize() > maxSize)
        {
            content.reset();
            ok = false;
        }
    }

    ::close (fd);
    return ok;
}

juce::File SettingsFile::writeTarget (const juce::File& path)
{
    std::string current = path.getFullPathName().toStdString();

    if (! isLink (current))
        return path;

    // One link per step, for at most maxLinks steps, so that a loop ends.
    for (int step = 0; step < maxLinks && isLink (current); ++step)
    {
        const auto text = linkText (current);
        if (text.empty())
            return {};

        const auto real = withRealFolder (current);
        if (real.empty())
            return {};

        current = text.front() == '/' ? text : real.substr (0, real.find_last_of ('/') + 1) + text;
    }

    if (isLink (current))
        return {};

    // The end of the chain, its folder resolved: a file or nothing yet, in a
    // folder that exists.
    current = withRealFolder (current);
    if (current.empty())
        return {};

    const juce::File target (juce::String::fromUTF8 (current.c_str()));
    return target.isDirectory() ? juce::File() : target;
}

bool SettingsFile::write (const juce::File& file, const juce::MemoryBlock& content)
{
    // A link is written through: the temporary file goes beside the file it
    // leads to and replaces that, so the link stays.
    const auto target = writeTarget (file);

    // Anything but a regular file stays as it is, and gets no temporary file
    // beside it: a link to /dev/null would otherwise have one made in /dev
    // and renamed over the device.
    if (target == juce::File() || ! isRegularOrMissing (target.getFullPathName().toStdString()))
        return false;

    // A file that is replaced keeps its permission bits (one made private
    // stays private); a new one gets the mode that the framework's streams
    // create files with, less the umask.
    struct stat existing {};
    const bool replacing = ::lstat (target.getFullPathName().toRawUTF8(), &existing) == 0;

    juce::TemporaryFile temporary (target, juce::TemporaryFile::useHiddenFile);

    const int fd = ::open (temporary.getFile().getFullPathName().toRawUTF8(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;

    // The bits go on before any content does, so that no one whom the old
    // file kept out can open the new one meanwhile. Unlike the open's mode,
    // fchmod's is not cut by the umask.
    bool ok = ! replacing || ::fchmod (fd, existing.st_mode & 07777) == 0;

    const auto* data = static_cast<const char*> (content.getData());

    for (size_t done = 0; ok && done < content.getSize();)
    {
        const auto put = ::write (fd, data + done, content.getSize() - done);

        if (put < 0 && errno == EINTR)
            continue;

        // A failed write (a full disk, the file size limit) ends it; the
        // target stays as it was.
        ok = put > 0;
        done += ok ? (size_t) put : 0;
    }

    ok = ::close (fd) == 0 && ok;

    // The temporary file replaces the target only when all of it was written;
    // otherwise it is removed when it goes out of scope.
    return ok && temporary.overwriteTargetFileWithTemporary();
}
