#include "platform/FileSystem.h"

#include "platform/Errors.h"
#include "platform/FaultInjection.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace hortivex {
namespace fs = std::filesystem;

namespace {

std::string Reason(int err) {
    return std::strerror(err);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = sys::Write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

[[noreturn]] void ThrowErrno(int err, const fs::path& path, const char* what) {
    throw std::system_error(err, std::generic_category(), std::string(what) + " " + path.string());
}

} // namespace

namespace {

// Opens an existing regular file read-only. O_NONBLOCK keeps the open of a FIFO from waiting
// for a writer; the type check then refuses it before any read.
FileDescriptor OpenRegularFile(const fs::path& path, struct stat& st) {
    FileDescriptor fd(sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        throw InOutError("Cannot open " + path.string() + ": " + Reason(errno));
    if (::fstat(fd.get(), &st) != 0)
        throw InOutError("Cannot read " + path.string() + ": " + Reason(errno));
    if (!S_ISREG(st.st_mode))
        throw InOutError("Cannot read " + path.string() + ": not a regular file");
    return FileDescriptor(fd.release());
}

std::string ReadUpTo(int fd, const fs::path& path, std::size_t maxBytes) {
    std::string bytes(maxBytes, '\0');
    std::size_t got = 0;
    while (got < maxBytes) {
        ssize_t n = sys::Read(fd, bytes.data() + got, maxBytes - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw InOutError("Cannot read " + path.string() + ": " + Reason(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

} // namespace

std::string ReadFilePrefix(const fs::path& path, std::size_t maxBytes) {
    struct stat st {};
    FileDescriptor fd = OpenRegularFile(path, st);
    return ReadUpTo(fd.get(), path, maxBytes);
}

std::string ReadRecords(const fs::path& path, std::size_t recordSize, std::size_t maxRecords) {
    struct stat st {};
    FileDescriptor fd = OpenRegularFile(path, st);
    const auto records = static_cast<std::uintmax_t>(st.st_size) / recordSize;
    if (records > maxRecords)
        throw InOutError("Cannot read " + path.string() + ": too large for a file of " +
                         std::to_string(recordSize) + "-byte records");
    std::string bytes = ReadUpTo(fd.get(), path, static_cast<std::size_t>(records) * recordSize);
    bytes.resize(bytes.size() / recordSize * recordSize); // a file that shrank meanwhile
    return bytes;
}

bool WriteFileInPlace(const fs::path& target, std::string_view bytes) {
    FileDescriptor fd(sys::Open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return false;
    const bool written = WriteAll(fd.get(), bytes) && sys::Fsync(fd.get()) == 0;
    return ::close(fd.release()) == 0 && written;
}

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

fs::path FolderOf(const fs::path& target) {
    fs::path folder = target.parent_path();
    return folder.empty() ? fs::path(".") : folder;
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

// A temporary file beside target, created with mode (less the umask): ".<name>.hxtmp-XXXXXX".
FileDescriptor CreateTemporary(const fs::path& target, mode_t mode, fs::path& temp) {
    static std::uint64_t state = static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ull ^
                                 reinterpret_cast<std::uintptr_t>(&temp) ^
                                 static_cast<std::uint64_t>(::time(nullptr));
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if (state == 0)
        state = 1;
    const std::string stem = (FolderOf(target) / ("." + target.filename().string())).string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem + ".hxtmp-";
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::uint64_t bits = state;
        for (int i = 0; i < 6; ++i, bits /= 62)
            name += kLetters[bits % 62];
        const int fd =
            sys::Open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0) {
            temp = std::move(name);
            return FileDescriptor(fd);
        }
        if (errno != EEXIST)
            break;
    }
    throw TempFileError(errno, std::generic_category(),
                        "Cannot create a temporary file beside " + target.string());
}

void WriteThroughTemporary(const fs::path& target, std::string_view bytes,
                           const std::optional<FileAttributes>& existing, int newFileMode,
                           bool durable) {
    // The mode the file must end with, and the one it is created with (the kernel takes the
    // umask off); a change afterwards only where the two may differ.
    const bool keepMode = existing || newFileMode >= 0;
    const auto want = static_cast<mode_t>(existing ? existing->mode : newFileMode) & 07777;
    const mode_t create = keepMode ? (want & 0777) : 0666;
    fs::path temp;
    FileDescriptor fd = CreateTemporary(target, create, temp);
    auto fail = [&](int err, const char* what) {
        ::unlink(temp.c_str());
        ThrowErrno(err, target, what);
    };

    // Keep the owner when it differs from ours and we may (running as root on someone else's
    // file); otherwise the file belongs to the writer.
    if (existing && (!g_run || OwnerDiffers(*g_run, FolderOf(target), *existing))) {
        if (::fchown(fd.get(), existing->uid, existing->gid) != 0) {
            // Not permitted for an ordinary user: the file then belongs to the writer.
        }
    }
    // Changing the owner clears the set-user and set-group bits: those always need the mode set.
    const std::optional<mode_t> mask = g_run ? g_run->umask : std::nullopt;
    const bool modeKnown = mask && (want & 07000) == 0 && (create & ~*mask) == want;
    if (keepMode && !modeKnown && ::fchmod(fd.get(), want) != 0)
        fail(errno, "Cannot set the mode of");
    if (!WriteAll(fd.get(), bytes))
        fail(errno ? errno : EIO, "Cannot write");
    if (durable && sys::Fsync(fd.get()) != 0)
        fail(errno, "Cannot flush");
    if (::close(fd.release()) != 0)
        fail(errno, "Cannot close");
    if (sys::Rename(temp.c_str(), target.c_str()) != 0)
        fail(errno, "Cannot replace");
    if (!durable)
        return;
    FileDescriptor dir(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get()); // best effort: the data itself is already on disk
}

FileAttributes AttributesOf(const struct stat& st) {
    return FileAttributes{static_cast<std::uint32_t>(st.st_mode & 07777),
                          static_cast<std::uint32_t>(st.st_uid),
                          static_cast<std::uint32_t>(st.st_gid)};
}

} // namespace

void WriteFileAtomically(const fs::path& target, std::string_view bytes, int newFileMode,
                         bool durable) {
    struct stat st {};
    std::optional<FileAttributes> existing;
    if (::stat(target.c_str(), &st) == 0)
        existing = AttributesOf(st);
    WriteThroughTemporary(target, bytes, existing, newFileMode, durable);
}

void ReplaceFile(const fs::path& target, std::string_view bytes,
                 const std::optional<FileAttributes>& existing, int newFileMode) {
    WriteThroughTemporary(target, bytes, existing, newFileMode, false);
}

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
