#include "model/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {

OpenedFile Refuse(const std::string& path, std::string reason) {
    return OpenedFile{FileResult::Failed(path, std::move(reason)), -1};
}

std::string NotRegularReason(mode_t mode) {
    return "it is " + FileTypeName(mode) + ", not a regular file";
}

std::string SystemReason(int error) {
    return std::generic_category().message(error);
}

} // namespace

std::string FileTypeName(mode_t mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return "a regular file";
    case S_IFDIR:
        return "a directory";
    case S_IFIFO:
        return "a FIFO (named pipe)";
    case S_IFSOCK:
        return "a socket";
    case S_IFCHR:
        return "a character device";
    case S_IFBLK:
        return "a block device";
    case S_IFLNK:
        return "a symbolic link";
    default:
        return "a special file";
    }
}

OpenedFile OpenRegularFileForReading(const std::string& path) {
    // Looked at before opening: opening a device can act on it, and a socket cannot be
    // opened at all (ENXIO would say nothing useful).
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return Refuse(path, NotRegularReason(status.st_mode));
    }
    // O_NONBLOCK: what was a regular file a moment ago may have been replaced by a FIFO,
    // whose open would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return Refuse(path, SystemReason(errno));
    }
    const bool known = ::fstat(fd, &status) == 0;
    if (!known || !S_ISREG(status.st_mode)) {
        const std::string reason = known ? NotRegularReason(status.st_mode) : SystemReason(errno);
        ::close(fd);
        return Refuse(path, reason);
    }
    // Reads of a regular file never wait on a writer; the flag only mattered for the open.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return OpenedFile{FileResult::Done(path), fd};
}

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    OpenedFile opened = OpenRegularFileForReading(path);
    if (!opened) {
        return FileRead{std::move(opened), {}};
    }
    std::string bytes(maxBytes, '\0');
    std::size_t count = 0;
    while (count < bytes.size()) {
        const ssize_t got = ::read(opened.fd, bytes.data() + count, bytes.size() - count);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(opened.fd);
            return FileRead{FileResult::Failed(path, SystemReason(error)), {}};
        }
        if (got == 0) {
            break;
        }
        count += static_cast<std::size_t>(got);
    }
    ::close(opened.fd);
    bytes.resize(count);
    return FileRead{FileResult::Done(path), std::move(bytes)};
}
