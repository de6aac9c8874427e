// Saving replaces a file only once the new text is complete: a failed write leaves the old
// file as it was and no temporary file behind.
#include "model/AtomicFile.h"
#include "model/ControllerFile.h"
#include "support/FileTestSupport.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

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
    std::string reason;
    {
        FileSizeLimit limit(4096); // the file text is about 17 kB
        EXPECT_FALSE(WriteControllerFile(doc, path, &reason));
    }
    EXPECT_EQ(reason, std::generic_category().message(EFBIG));
    EXPECT_EQ(ReadBytes(path), "old contents");
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"setup.ocont2"});
    EXPECT_EQ(doc.DocumentName, path); // the name is already the chosen path

    ASSERT_TRUE(WriteControllerFile(doc, path, &reason));
    EXPECT_EQ(ReadBytes(path), ControllerFileText(doc));
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"setup.ocont2"});
}

TEST(AtomicSave, FailuresNameTheirReason) {
    TemporaryFolder folder;
    std::string reason;
    EXPECT_FALSE(ReplaceFileContents((folder / "no/such/folder/x.ocont2").string(), "x", &reason));
    EXPECT_EQ(reason, std::generic_category().message(ENOENT));
    EXPECT_FALSE(ReplaceFileContents(folder.Path().string(), "x", &reason));
    EXPECT_EQ(reason, std::generic_category().message(EISDIR));

    if (::geteuid() != 0) { // root writes anywhere
        const std::string path = (folder / "kept.ocont2").string();
        WriteBytes(path, "kept");
        std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_exec);
        EXPECT_FALSE(ReplaceFileContents(path, "new", &reason));
        EXPECT_EQ(reason, std::generic_category().message(EACCES));
        EXPECT_EQ(ReadBytes(path), "kept");
    }
}

TEST(AtomicSave, KeepsPermissionsAndFollowsLinks) {
    TemporaryFolder folder;
    const auto target = folder / "real.ocont2";
    WriteBytes(target, "old");
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, folder / "link.ocont2");

    ASSERT_TRUE(ReplaceFileContents((folder / "link.ocont2").string(), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ocont2"));
    EXPECT_EQ(ReadBytes(target), "new");
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

} // namespace
