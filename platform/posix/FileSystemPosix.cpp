#include "platform/FileSystem.h"

#include "platform/FileIo.h"
#include "platform/SafeWriteSystem.h"
#include "platform/SysCalls.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace hortivex {
namespace fs = std::filesystem;

using namespace fileio;

void CreateFolderLevel(const std::string& folder) {
    ::mkdir(folder.c_str(), 0777);
}

bool FolderExists(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

fs::path ResolveLinkTarget(const fs::path& path) {
    fs::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(current, ec)))
            return current;
        fs::path next = fs::read_symlink(current, ec);
        if (ec)
            return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    ThrowErrno(ELOOP, path, "Cannot resolve");
}

namespace {

// What file writes need to know of the process and of the folder they write into.
struct RunFacts {
    std::optional<mode_t> umask; // known only inside a FileRunScope
    uid_t euid = 0;
    gid_t egid = 0;
    std::string folder; // the folder described below
    bool folderKnown = false;
    bool folderWritable = false; // a folder we may create files in
    bool folderSetGroup = false; // new files take the folder's group
    gid_t folderGroup = 0;
};

RunFacts* g_run = nullptr;

// Reading the umask means setting it; read once per run.
mode_t ReadUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

void Describe(RunFacts& facts, const fs::path& folder) {
    const std::string& name = folder.native();
    if (facts.folderKnown && facts.folder == name)
        return;
    facts.folder = name;
    facts.folderKnown = true;
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        facts.folderWritable = facts.folderSetGroup = false;
        return;
    }
    if (facts.euid == 0)
        facts.folderWritable = true;
    else if (st.st_uid == facts.euid)
        facts.folderWritable = (st.st_mode & (S_IWUSR | S_IXUSR)) == (S_IWUSR | S_IXUSR);
    else
        facts.folderWritable = ::access(name.c_str(), W_OK | X_OK) == 0;
    facts.folderSetGroup = (st.st_mode & S_ISGID) != 0;
    facts.folderGroup = st.st_gid;
}

// The facts of the run, or ones found now for a write outside any run.
template <typename Use> auto WithFacts(const fs::path& folder, Use use) {
    if (g_run) {
        Describe(*g_run, folder);
        return use(*g_run);
    }
    RunFacts facts;
    facts.euid = ::geteuid();
    facts.egid = ::getegid();
    Describe(facts, folder);
    return use(facts);
}

// Whether a new file in folder would not have the existing file's owner and group.
bool OwnerDiffers(RunFacts& facts, const fs::path& folder, const FileAttributes& existing) {
    Describe(facts, folder);
    const gid_t group = facts.folderSetGroup ? facts.folderGroup : facts.egid;
    return existing.uid != facts.euid || existing.gid != group;
}

// Whether we may write an existing regular file: its owner's write bit for its owner, any
// write bit for the superuser, else what the system answers.
bool MayWrite(const fs::path& path, const struct stat& st) {
    if ((st.st_mode & 0222) == 0)
        return false;
    const uid_t euid = g_run ? g_run->euid : ::geteuid();
    if (euid == 0)
        return true;
    if (st.st_uid == euid)
        return (st.st_mode & S_IWUSR) != 0;
    return ::access(path.c_str(), W_OK) == 0;
}

FileAttributes AttributesOf(const struct stat& st) {
    return FileAttributes{static_cast<std::uint32_t>(st.st_mode & 07777),
                          static_cast<std::uint32_t>(st.st_uid),
                          static_cast<std::uint32_t>(st.st_gid)};
}

} // namespace

namespace safewrite {

std::optional<FileAttributes> ExistingAttributes(const fs::path& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0)
        return std::nullopt;
    return AttributesOf(st);
}

// The mode the file must end with, and the one it is created with (the kernel takes the umask
// off); KeepAttributes changes it afterwards only where the two may differ.
int CreationMode(const std::optional<FileAttributes>& existing, int newFileMode) {
    if (!existing && newFileMode < 0)
        return 0666;
    return static_cast<int>((existing ? existing->mode : static_cast<std::uint32_t>(newFileMode)) &
                            0777);
}

void KeepAttributes(int fd, const fs::path& target, const std::optional<FileAttributes>& existing,
                    int newFileMode, int creationMode) {
    // Keep the owner when it differs from ours and we may (running as root on someone else's
    // file); otherwise the file belongs to the writer.
    if (existing && (!g_run || OwnerDiffers(*g_run, FolderOf(target), *existing))) {
        if (sys::Fchown(fd, existing->uid, existing->gid) != 0) {
            // Not permitted for an ordinary user: the file then belongs to the writer.
        }
    }
    if (!existing && newFileMode < 0)
        return;
    // Changing the owner clears the set-user and set-group bits, and so does an ordinary
    // user's write (done before this): those always need the mode set.
    const auto want = static_cast<mode_t>(existing ? existing->mode : newFileMode) & 07777;
    const std::optional<mode_t> mask = g_run ? g_run->umask : std::nullopt;
    const bool modeKnown =
        mask && (want & 07000) == 0 && (static_cast<mode_t>(creationMode) & ~*mask) == want;
    if (!modeKnown && sys::Fchmod(fd, want) != 0)
        ThrowErrno(errno, target, "Cannot set the mode of");
}

void SyncFolderOf(const fs::path& target) {
    sys::SyncFolder(FolderOf(target).c_str()); // best effort: the data itself is on disk
}

} // namespace safewrite

OutputFile ReadOutputFile(const fs::path& path) {
    OutputFile out;
    out.target = path;
    for (int attempt = 0;; ++attempt) {
        // Not following a link: a link is resolved first, so that the link stays and its
        // target is replaced.
        FileDescriptor fd(sys::Open(out.target.c_str(),
                                    O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
        if (fd.get() >= 0) {
            struct stat st {};
            if (::fstat(fd.get(), &st) != 0)
                ThrowErrno(errno, out.target, "Cannot read");
            if (!S_ISREG(st.st_mode))
                ThrowErrno(EISDIR, out.target, "Not a regular file:");
            if (!MayWrite(out.target, st))
                ThrowErrno(EACCES, out.target, "Cannot write");
            out.bytes = ReadUpTo(fd.get(), out.target, static_cast<std::size_t>(st.st_size));
            out.existing = AttributesOf(st);
            return out;
        }
        const int err = errno;
        if (err == ELOOP && attempt == 0) {
            out.target = ResolveLinkTarget(path);
            continue;
        }
        if (err != ENOENT)
            ThrowErrno(err, out.target, "Cannot open");
        const bool writable = WithFacts(FolderOf(out.target),
                                        [](const RunFacts& facts) { return facts.folderWritable; });
        if (!writable)
            ThrowErrno(EACCES, out.target, "Cannot create");
        return out;
    }
}

FileRunScope::FileRunScope() : owner_(g_run == nullptr) {
    if (!owner_)
        return;
    auto facts = std::make_unique<RunFacts>();
    facts->umask = ReadUmask();
    facts->euid = ::geteuid();
    facts->egid = ::getegid();
    g_run = facts.release();
}

FileRunScope::~FileRunScope() {
    if (owner_) {
        delete g_run;
        g_run = nullptr;
    }
}

} // namespace hortivex
