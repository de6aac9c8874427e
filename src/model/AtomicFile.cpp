#include "model/AtomicFile.h"

#include "model/RegularFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int kMaxLinkDepth = 40; // as the kernel's own limit for nested links
// How long a pipe or device may take nothing before a save into it gives up.
constexpr int kStreamStallSeconds = 5;

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a save must write: the end of a chain of symbolic links rather than a link, even
// when that end does not exist yet (a save through a dangling link creates the target, as
// writing through the link always did). False with errno on a loop or an unreadable link.
bool ResolveTarget(const std::string& path, std::string& target) {
    target = path;
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        struct stat status {};
        if (::lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return true;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0) {
            return false;
        }
        link.resize(static_cast<std::size_t>(length));
        target = link.front() == '/' ? link : DirectoryOf(target) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

std::string TemporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return "." + NameOf(target) + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter++);
}

bool TemporaryNameFits(const std::string& target) {
    long limit = ::pathconf(DirectoryOf(target).c_str(), _PC_NAME_MAX);
    if (limit <= 0) {
        limit = NAME_MAX;
    }
    // The longest name the counter can make.
    const std::size_t longest = TemporaryName(target).size() + 10;
    return longest <= static_cast<std::size_t>(limit);
}

// Creates a new file beside target that nobody else can be using; -1 with errno on failure.
int CreateTemporaryBeside(const std::string& target, std::string& temporaryPath) {
    const std::string directory = DirectoryOf(target) + "/";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = directory + TemporaryName(target);
        // 0666 so that the umask decides, as for any newly created file.
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Writes everything at offset, or at the current position when offset is negative.
bool WriteAllAt(int fd, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t written = offset < 0 ? ::write(fd, bytes.data(), bytes.size())
                                           : ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        if (offset >= 0) {
            offset += written;
        }
    }
    return true;
}

// Writes everything to a pipe or device opened without blocking. A reader that stops taking
// the text ends the save after kStreamStallSeconds instead of freezing the window, and a
// signal (a termination request) ends the wait at once. SIGPIPE is held back meanwhile: a
// reader that goes away fails the save rather than ending the program with unsaved work.
bool WriteToStream(int fd, std::string_view bytes, int& error) {
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    error = 0;
    while (!bytes.empty() && error == 0) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        } else if (errno == EAGAIN) {
            pollfd ready{fd, POLLOUT, 0};
            const int events = ::poll(&ready, 1, kStreamStallSeconds * 1000);
            error = events > 0 ? 0 : events == 0 ? ETIMEDOUT : errno;
        } else {
            error = errno;
        }
    }
    if (error == EPIPE) {
        // The failed write raised SIGPIPE for this thread; take it before unblocking.
        const timespec noWait{};
        (void)::sigtimedwait(&pipeSignal, nullptr, &noWait);
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return error == 0;
}

// Makes the rename itself durable; a failure here does not undo a save that is in place.
void SyncDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

FileResult Fail(const std::string& path, std::string reason) {
    return FileResult::Failed(path, std::move(reason));
}

FileResult Fail(const std::string& path, int error) {
    return Fail(path, std::generic_category().message(error));
}

// Why a pipe, device or socket named by the user did not take the text.
std::string StreamFailure(mode_t mode, int error) {
    const std::string what = "it is " + FileTypeName(mode);
    switch (error) {
    case ENXIO: // what opening a FIFO without a reader, or any socket, gives
        if (S_ISFIFO(mode) || S_ISSOCK(mode)) {
            return what + (S_ISFIFO(mode) ? " that no program is reading" : ", not a regular file");
        }
        break;
    case ETIMEDOUT:
        return what + " that took nothing for " + std::to_string(kStreamStallSeconds) + " seconds";
    case EPIPE:
        return what + " whose reader went away before the whole text was written";
    default:
        break;
    }
    return std::generic_category().message(error);
}

enum class RenameResult { Done, Failed, NotPossible };

// Gives the new file every extended attribute of the old one: access control lists live
// there, and a file that lost its ACL in a save would change who may read it. False when one
// cannot be carried over; the caller then writes in place, which keeps them all.
bool CopyExtendedAttributes(const std::string& from, int toFd) {
    std::vector<char> names;
    for (;;) {
        const ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
        if (size < 0) {
            return errno == ENOTSUP; // no attributes on this file system at all
        }
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::listxattr(from.c_str(), names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) { // ERANGE: the list grew in between; ask again
            return false;
        }
    }
    std::vector<char> value;
    std::vector<char> present;
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        at += std::char_traits<char>::length(name) + 1;
        const ssize_t size = ::getxattr(from.c_str(), name, nullptr, 0);
        if (size < 0) {
            return false;
        }
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::getxattr(from.c_str(), name, value.data(), value.size());
        if (got < 0) {
            return false;
        }
        value.resize(static_cast<std::size_t>(got));
        // A value the new file already has (a security label given by its folder, an
        // inherited ACL) is left alone: setting it may need a privilege the user lacks.
        present.resize(value.size() + 1);
        const ssize_t same = ::fgetxattr(toFd, name, present.data(), present.size());
        if (same == got && std::equal(value.begin(), value.end(), present.begin())) {
            continue;
        }
        if (::fsetxattr(toFd, name, value.data(), value.size(), 0) != 0) {
            return false;
        }
    }
    return true;
}

// Writes a complete new file beside target and renames it over target. NotPossible (with
// nothing changed and nothing left behind) when the folder cannot take the temporary file or
// the old owner and group cannot be given to it.
RenameResult ReplaceByRename(const std::string& target, const struct stat* existing,
                             std::string_view bytes, int& error) {
    std::string temporaryPath;
    const int fd = CreateTemporaryBeside(target, temporaryPath);
    if (fd < 0) {
        error = errno;
        return error == EACCES || error == EPERM || error == EROFS ? RenameResult::NotPossible
                                                                   : RenameResult::Failed;
    }
    RenameResult result = RenameResult::Done;
    if (existing) {
        struct stat created {};
        const bool sameOwner = ::fstat(fd, &created) == 0 && created.st_uid == existing->st_uid &&
                               created.st_gid == existing->st_gid;
        if (!sameOwner && ::fchown(fd, existing->st_uid, existing->st_gid) != 0) {
            result = RenameResult::NotPossible;
        }
        // After the owner: a change of owner clears the set-id bits. Keeping the mode is best
        // effort, as some file systems have no modes to set.
        if (result == RenameResult::Done) {
            (void)::fchmod(fd, existing->st_mode & 07777);
            if (!CopyExtendedAttributes(target, fd)) {
                result = RenameResult::NotPossible;
            }
        }
    }
    if (result == RenameResult::Done) {
        if (!WriteAllAt(fd, bytes, 0) || ::fsync(fd) != 0) {
            error = errno;
            result = RenameResult::Failed;
        }
    }
    if (::close(fd) != 0 && result == RenameResult::Done) {
        error = errno;
        result = RenameResult::Failed;
    }
    if (result == RenameResult::Done && ::rename(temporaryPath.c_str(), target.c_str()) != 0) {
        error = errno;
        result = RenameResult::Failed;
    }
    if (result != RenameResult::Done) {
        ::unlink(temporaryPath.c_str());
        return result;
    }
    SyncDirectory(DirectoryOf(target));
    return RenameResult::Done;
}

// Rewrites the open file in place. The new text goes first after the old one, so that a full
// disk or a size limit is met while the old text is still whole (and then cut off again);
// only then is it written over the old text and the file cut to its new length.
bool RewriteInPlace(int fd, off_t oldSize, std::string_view bytes, int& error) {
    if (!WriteAllAt(fd, bytes, oldSize)) {
        error = errno;
        (void)::ftruncate(fd, oldSize);
        return false;
    }
    if (::fdatasync(fd) != 0 || !WriteAllAt(fd, bytes, 0) ||
        ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0) {
        error = errno;
        return false;
    }
    return true;
}

} // namespace

FileResult ReplaceFileContents(const std::string& path, std::string_view bytes) {
    std::string target;
    if (!ResolveTarget(path, target)) {
        return Fail(path, errno);
    }
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0) {
        if (errno != ENOENT) {
            return Fail(path, errno);
        }
        int error = 0;
        const RenameResult result = ReplaceByRename(target, nullptr, bytes, error);
        return result == RenameResult::Done ? FileResult::Done(path) : Fail(path, error);
    }
    if (S_ISDIR(existing.st_mode)) {
        return Fail(path, EISDIR);
    }
    // Opening for writing asks the system the question a save must answer: may this user
    // write this file? Nothing is changed by it. Without O_NONBLOCK a FIFO that no program
    // reads would hold the open until one comes; this way it fails at once with ENXIO.
    const auto failed = [&existing, &path](int error) {
        return S_ISREG(existing.st_mode) ? Fail(path, error)
                                         : Fail(path, StreamFailure(existing.st_mode, error));
    };
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return failed(errno);
    }
    int error = 0;
    bool ok = false;
    RenameResult result = RenameResult::NotPossible;
    if (S_ISREG(existing.st_mode) && existing.st_nlink == 1 && TemporaryNameFits(target)) {
        result = ReplaceByRename(target, &existing, bytes, error);
        ok = result == RenameResult::Done;
    }
    if (result == RenameResult::NotPossible && S_ISREG(existing.st_mode)) {
        ok = RewriteInPlace(fd, existing.st_size, bytes, error);
    } else if (result == RenameResult::NotPossible) {
        // A device or pipe named by the user takes the text as it comes; it has no old
        // text to keep and must not be replaced by a plain file.
        ok = WriteToStream(fd, bytes, error);
    }
    if (::close(fd) != 0 && ok && result != RenameResult::Done) {
        ok = false;
        error = errno;
    }
    return ok ? FileResult::Done(path) : failed(error);
}
