// Saving replaces a file only once the new text is complete: a failed write leaves the old
// file as it was and no temporary file behind.
#include "model/AtomicFile.h"
#include "model/ControllerFile.h"
#include "support/FileTestSupport.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace {

// Limits the size of files this process may write, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = nullptr;
};

constexpr const char* kNoUnprivilegedUser =
    "running as root without a user \"nobody\" to save as: permission checks cannot be tried";

// What a save reported, as the user who made it saw it.
struct SaveOutcome {
    bool skipped = false;
    bool ok = false;
    std::string reason;
};

// Saves as an unprivileged user, where root would pass every permission check: a root test
// process saves in a child that has become "nobody"; any other user saves as itself.
class Saver {
public:
    Saver() {
        if (::geteuid() != 0) {
            m_uid = ::getuid();
            m_gid = ::getgid();
            return;
        }
        if (const passwd* nobody = ::getpwnam("nobody")) {
            m_uid = nobody->pw_uid;
            m_gid = nobody->pw_gid;
            m_switch = true;
        }
    }
    // Whether files of other owners can be made, which needs root.
    bool CanMakeOtherOwners() const { return m_switch; }
    bool Usable() const { return m_uid != static_cast<uid_t>(-1); }

    // Makes path belong to the saving user.
    void Give(const std::filesystem::path& path) const {
        if (m_switch) {
            EXPECT_EQ(::lchown(path.c_str(), m_uid, m_gid), 0) << path;
        }
    }

    SaveOutcome Save(const std::filesystem::path& path, std::string_view bytes) const {
        SaveOutcome outcome;
        if (!Usable()) {
            outcome.skipped = true;
            return outcome;
        }
        if (!m_switch) {
            const FileResult result = ReplaceFileContents(path.string(), bytes);
            outcome.ok = result.ok;
            outcome.reason = result.reason;
            return outcome;
        }
        int channel[2];
        if (::pipe(channel) != 0) {
            ADD_FAILURE() << "pipe: " << std::strerror(errno);
            return outcome;
        }
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(channel[0]);
            std::string report = "-cannot become nobody";
            if (::setgroups(0, nullptr) == 0 && ::setgid(m_gid) == 0 && ::setuid(m_uid) == 0) {
                const FileResult result = ReplaceFileContents(path.string(), bytes);
                report = (result ? "+" : "-") + result.reason;
            }
            (void)!::write(channel[1], report.data(), report.size());
            ::_exit(0);
        }
        ::close(channel[1]);
        std::string report;
        char buffer[256];
        for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
            report.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(channel[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        outcome.ok = report.starts_with('+');
        outcome.reason = report.empty() ? "no report from the saving process" : report.substr(1);
        return outcome;
    }

private:
    uid_t m_uid = static_cast<uid_t>(-1);
    gid_t m_gid = static_cast<gid_t>(-1);
    bool m_switch = false;
};

struct stat StatusOf(const std::filesystem::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status;
}

std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(AtomicSave, FailedWriteLeavesTheOldFile) {
    TemporaryFolder folder;
    const std::string path = (folder / "setup.ocont2").string();
    WriteBytes(path, "old contents");
    CControllerDoc doc;
    FileResult written;
    {
        FileSizeLimit limit(4096); // the file text is about 17 kB
        written = WriteControllerFile(doc, path);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(written.reason, std::generic_category().message(EFBIG));
    EXPECT_EQ(written.Describe("write"),
              "cannot write " + path + ": " + std::generic_category().message(EFBIG));
    EXPECT_EQ(ReadBytes(path), "old contents");
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"setup.ocont2"});

    written = WriteControllerFile(doc, path);
    ASSERT_TRUE(written);
    EXPECT_EQ(written.path, path);
    EXPECT_EQ(written.reason, "");
    EXPECT_EQ(ReadBytes(path), ControllerFileText(doc));
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"setup.ocont2"});
}

TEST(AtomicSave, FailuresNameTheirReason) {
    TemporaryFolder folder;
    FileResult result = ReplaceFileContents((folder / "no/such/folder/x.ocont2").string(), "x");
    EXPECT_FALSE(result);
    EXPECT_EQ(result.reason, std::generic_category().message(ENOENT));
    result = ReplaceFileContents(folder.Path().string(), "x");
    EXPECT_FALSE(result);
    EXPECT_EQ(result.reason, std::generic_category().message(EISDIR));

    // A new file in a folder the user may not write cannot be made at all.
    const SaveOutcome outcome = [&] {
        Saver saver;
        ::chmod(folder.Path().c_str(), 0555);
        return saver.Save(folder / "new.ocont2", "x");
    }();
    if (!outcome.skipped) {
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.reason, std::generic_category().message(EACCES));
        EXPECT_FALSE(std::filesystem::exists(folder / "new.ocont2"));
    }
}

std::string AttributeOf(const std::filesystem::path& path, const char* name) {
    char value[256];
    const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? std::string() : std::string(value, static_cast<std::size_t>(size));
}

TEST(AtomicSave, KeepsPermissionsAttributesAndFollowsLinks) {
    TemporaryFolder folder;
    const auto target = folder / "real.ocont2";
    WriteBytes(target, "old");
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, folder / "link.ocont2");
    // An access list that also lets user 65534 read (owner rw, named user r, group r, mask r,
    // others nothing), in the kernel's form, and a user attribute.
    const unsigned char acl[] = {2,    0, 0, 0,                          // version
                                 0x01, 0, 6, 0, 0xff, 0xff, 0xff, 0xff,  // owner
                                 0x02, 0, 4, 0, 0xfe, 0xff, 0,    0,     // user 65534
                                 0x04, 0, 4, 0, 0xff, 0xff, 0xff, 0xff,  // group
                                 0x10, 0, 4, 0, 0xff, 0xff, 0xff, 0xff,  // mask
                                 0x20, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}; // others
    const std::string aclBytes(reinterpret_cast<const char*>(acl), sizeof acl);
    const bool hasAcl =
        ::setxattr(target.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
    const bool hasAttribute = ::setxattr(target.c_str(), "user.orbis.note", "kept", 4, 0) == 0;

    // The result names the path the caller gave, not the link's target.
    const FileResult saved = ReplaceFileContents((folder / "link.ocont2").string(), "new");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved.path, (folder / "link.ocont2").string());
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ocont2"));
    EXPECT_EQ(ReadBytes(target), "new");
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    if (hasAcl) {
        EXPECT_EQ(AttributeOf(target, "system.posix_acl_access"), aclBytes);
    }
    if (hasAttribute) {
        EXPECT_EQ(AttributeOf(target, "user.orbis.note"), "kept");
    }
    EXPECT_EQ(Names(folder.Path()).size(), 2u); // no temporary file left
}

// What a save used to promise, in each case where a rename would break it. Each row makes
// the situation as the saving user would meet it, saves a longer text over a shorter one or
// the reverse, and checks what the user sees afterwards.
TEST(AtomicSave, KeepsWhatASavePromises) {
    const std::string longName(240, 'n');
    struct Case {
        const char* what;
        std::string name;
        mode_t folderMode;
        mode_t fileMode;
        bool expectSaved;
        std::string oldText;
    };
    const std::vector<Case> cases = {
        {"a read-only file is refused", "setup.ocont2", 0755, 0444, false, "old"},
        {"a file in a read-only folder is written in place", "setup.ocont2", 0555, 0644, true,
         "old"},
        {"a shorter text in a read-only folder leaves no tail", "setup.ocont2", 0555, 0644, true,
         std::string(100, 'o')},
        {"a name near the limit is written in place", longName, 0755, 0644, true, "old"},
        {"a plain file is replaced", "setup.ocont2", 0755, 0640, true, std::string(100, 'o')},
    };
    const std::string newText = "new contents of the setup";
    if (!Saver().Usable()) {
        GTEST_SKIP() << kNoUnprivilegedUser;
    }
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        TemporaryFolder folder;
        Saver saver;
        const auto path = folder / row.name;
        WriteBytes(path, row.oldText);
        ::chmod(path.c_str(), row.fileMode);
        saver.Give(path);
        saver.Give(folder.Path());
        ::chmod(folder.Path().c_str(), row.folderMode);
        const struct stat before = StatusOf(path);

        const SaveOutcome outcome = saver.Save(path, newText);
        ::chmod(folder.Path().c_str(), 0755);
        EXPECT_EQ(outcome.ok, row.expectSaved) << outcome.reason;
        EXPECT_EQ(ReadBytes(path), row.expectSaved ? newText : row.oldText);
        if (!row.expectSaved) {
            EXPECT_EQ(outcome.reason, std::generic_category().message(EACCES));
        }
        const struct stat after = StatusOf(path);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{row.name});
    }
}

TEST(AtomicSave, HardLinksStayJoinedAndDanglingLinksStayLinks) {
    TemporaryFolder folder;
    WriteBytes(folder / "setup.ocont2", "old");
    std::filesystem::create_hard_link(folder / "setup.ocont2", folder / "second-name.ocont2");
    ASSERT_TRUE(ReplaceFileContents((folder / "setup.ocont2").string(), "new"));
    EXPECT_EQ(ReadBytes(folder / "second-name.ocont2"), "new");
    EXPECT_EQ(StatusOf(folder / "setup.ocont2").st_ino,
              StatusOf(folder / "second-name.ocont2").st_ino);

    std::filesystem::create_directory(folder / "elsewhere");
    std::filesystem::create_symlink("elsewhere/missing.ocont2", folder / "link.ocont2");
    ASSERT_TRUE(ReplaceFileContents((folder / "link.ocont2").string(), "through the link"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ocont2"));
    EXPECT_EQ(ReadBytes(folder / "elsewhere/missing.ocont2"), "through the link");

    // A pipe (or device) named by the user is written to, never replaced by a plain file.
    const auto pipe = folder / "pipe.ocont2";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(ReplaceFileContents(pipe.string(), "through the pipe"));
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    char received[32] = {};
    EXPECT_EQ(::read(reader, received, sizeof received), 16);
    ::close(reader);

    std::filesystem::create_symlink("loop.ocont2", folder / "loop.ocont2");
    const FileResult result = ReplaceFileContents((folder / "loop.ocont2").string(), "x");
    EXPECT_FALSE(result);
    EXPECT_EQ(result.reason, std::generic_category().message(ELOOP));
}

// A FIFO named by the user (here through a link) is written into while a program reads it,
// however slowly, and refused at once when none does: waiting for a reader would freeze the
// window. A reader that goes away fails the save and leaves the program running.
TEST(AtomicSave, IntoAFifoOnlyWhileAProgramReadsIt) {
    enum class Reader { None, ReadsAll, GoesAway };
    struct Case {
        const char* what;
        Reader reader;
        std::string reason; // empty: saved
    };
    const Case cases[] = {
        {"no program reads it", Reader::None,
         "it is a FIFO (named pipe) that no program is reading"},
        {"a program reads it all", Reader::ReadsAll, ""},
        {"the reader goes away", Reader::GoesAway,
         "it is a FIFO (named pipe) whose reader went away before the whole text was written"},
    };
    const std::string text(256 * 1024, 'x'); // more than a pipe holds
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        TemporaryFolder folder;
        const auto fifo = folder / "pipe.ocont2";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::filesystem::create_symlink(fifo, folder / "link.ocont2");
        int reader = -1;
        int keepOpen = -1; // a second writer, so that the reader sees no end before the save
        if (row.reader != Reader::None) {
            reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
            keepOpen = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            ASSERT_GE(keepOpen, 0);
            ::fcntl(reader, F_SETFL, 0);
        }
        std::size_t received = 0;
        std::thread drain([&] {
            char buffer[4096];
            const std::size_t wanted = row.reader == Reader::ReadsAll ? text.size() : 1;
            for (ssize_t n = 1; reader >= 0 && received < wanted && n > 0;) {
                n = ::read(reader, buffer, sizeof buffer);
                received += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
            if (row.reader == Reader::GoesAway) {
                ::close(reader);
            }
        });
        const auto start = std::chrono::steady_clock::now();
        const FileResult result = ReplaceFileContents((folder / "link.ocont2").string(), text);
        const bool saved = result.ok;
        const std::string& reason = result.reason;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        ::close(keepOpen); // ends a drain still waiting for bytes a failed save never sent
        drain.join();
        EXPECT_EQ(saved, row.reason.empty()) << reason;
        EXPECT_EQ(reason, row.reason);
        if (row.reader == Reader::ReadsAll) {
            EXPECT_EQ(received, text.size());
            ::close(reader);
        }
        EXPECT_TRUE(std::filesystem::is_fifo(fifo));
        sigset_t pending;
        ::sigpending(&pending);
        EXPECT_FALSE(sigismember(&pending, SIGPIPE)) << "a SIGPIPE left to end the program";
    }
}

// A file of another owner that the user may write keeps its owner: the rename is given up for
// writing in place. Root, which can hand a file back, replaces it and restores the owner.
TEST(AtomicSave, KeepsOwnerAndGroup) {
    Saver saver;
    if (!saver.CanMakeOtherOwners()) {
        GTEST_SKIP() << "making files of another owner needs root";
    }
    TemporaryFolder folder;
    const auto rootsFile = folder / "root.ocont2";
    WriteBytes(rootsFile, "old");
    ::chmod(rootsFile.c_str(), 0666);
    saver.Give(folder.Path());
    const SaveOutcome outcome = saver.Save(rootsFile, "written by nobody");
    EXPECT_TRUE(outcome.ok) << outcome.reason;
    EXPECT_EQ(ReadBytes(rootsFile), "written by nobody");
    EXPECT_EQ(StatusOf(rootsFile).st_uid, 0u);
    EXPECT_EQ(StatusOf(rootsFile).st_mode & 07777, 0666u);

    const auto nobodysFile = folder / "nobody.ocont2";
    WriteBytes(nobodysFile, "old");
    ::chmod(nobodysFile.c_str(), 0604);
    saver.Give(nobodysFile);
    const struct stat before = StatusOf(nobodysFile);
    ASSERT_TRUE(ReplaceFileContents(nobodysFile.string(), "written by root"));
    const struct stat after = StatusOf(nobodysFile);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced, not rewritten
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 0604u);
}

// In place the old text must survive a write that cannot be completed.
TEST(AtomicSave, FailedWriteInPlaceLeavesTheOldFile) {
    Saver saver;
    if (!saver.Usable()) {
        GTEST_SKIP() << kNoUnprivilegedUser;
    }
    TemporaryFolder folder;
    const auto path = folder / "setup.ocont2";
    WriteBytes(path, "old contents");
    saver.Give(path);
    ::chmod(folder.Path().c_str(), 0555);
    SaveOutcome outcome;
    {
        FileSizeLimit limit(4096);
        outcome = saver.Save(path, std::string(20000, 'x'));
    }
    ::chmod(folder.Path().c_str(), 0755);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.reason, std::generic_category().message(EFBIG));
    EXPECT_EQ(ReadBytes(path), "old contents");
}

} // namespace
