#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "env.h"
#include "error.h"

namespace lumiro::engine {

namespace {

std::string osReason(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT: return "brak miejsca na dysku";
        case EACCES:
        case EPERM: return "brak uprawnień";
        case ENOENT: return "plik nie istnieje";
        case EROFS: return "nośnik tylko do odczytu";
        case EEXIST: return "plik już istnieje";
        case EIO: return "błąd wejścia/wyjścia urządzenia";
        case EISDIR: return "to jest katalog";
        case ENOTDIR: return "ścieżka nie prowadzi do katalogu";
        case EMFILE:
        case ENFILE: return "zbyt wiele otwartych plików";
        default: return std::strerror(err);
    }
}

[[noreturn]] void failOs(const std::string& what, const std::string& path, int err) {
    ErrorCode code = ErrorCode::Io;
    if (err == ENOSPC || err == EDQUOT) code = ErrorCode::DiskFull;
    else if (err == ENOENT) code = ErrorCode::NotFound;
    else if (err == EEXIST) code = ErrorCode::AlreadyExists;
    else if (err == EACCES || err == EPERM || err == EROFS) code = ErrorCode::ReadOnly;
    fail(code, what + " " + path + ": " + osReason(err) + ".");
}

class PosixFile final : public File {
public:
    PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixFile() override { ::close(fd_); }

    std::size_t read(std::uint64_t offset, std::span<std::byte> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                                static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                failOs("Nie można odczytać pliku", path_, errno);
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    void write(std::uint64_t offset, std::span<const std::byte> data) override {
        std::size_t done = 0;
        while (done < data.size()) {
            ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done,
                                 static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                failOs("Nie można zapisać pliku", path_, errno);
            }
            done += static_cast<std::size_t>(n);
        }
    }

    void sync() override {
        if (::fdatasync(fd_) != 0) failOs("Nie można utrwalić zapisu pliku", path_, errno);
    }

    std::uint64_t size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) failOs("Nie można odczytać rozmiaru pliku", path_, errno);
        return static_cast<std::uint64_t>(st.st_size);
    }

    void truncate(std::uint64_t size) override {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
            failOs("Nie można zmienić rozmiaru pliku", path_, errno);
    }

    void reserve(std::uint64_t size) override {
        std::uint64_t current = this->size();
        if (size <= current) return;
        int rc = ::posix_fallocate(fd_, static_cast<off_t>(current),
                                   static_cast<off_t>(size - current));
        if (rc == EOPNOTSUPP || rc == EINVAL) return;  // file system without preallocation
        if (rc != 0) failOs("Nie można powiększyć pliku", path_, rc);
    }

    bool tryLock(std::uint64_t start, std::uint64_t length, LockKind kind) override {
        struct flock fl {};
        fl.l_type = kind == LockKind::Shared ? F_RDLCK : F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = static_cast<off_t>(start);
        fl.l_len = static_cast<off_t>(length);
        // Open-file-description locks: owned by this open file, not by the whole process.
        while (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EACCES) return false;
            failOs("Nie można zablokować pliku", path_, errno);
        }
        return true;
    }

    void unlock(std::uint64_t start, std::uint64_t length) override {
        struct flock fl {};
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = static_cast<off_t>(start);
        fl.l_len = static_cast<off_t>(length);
        ::fcntl(fd_, F_OFD_SETLK, &fl);
    }

    const std::string& path() const override { return path_; }
    int descriptor() const { return fd_; }

private:
    int fd_;
    std::string path_;
};

class PosixEnv final : public Env {
public:
    // The kernel copies the bytes (and may share the blocks); where it cannot, the plain way.
    void copyFile(const std::string& from, const std::string& to) override {
        auto in = open(from, OpenMode::ReadOnly);
        auto out = open(to, OpenMode::CreateOrTrunc);
        const int src = static_cast<PosixFile&>(*in).descriptor();
        const int dst = static_cast<PosixFile&>(*out).descriptor();
        const std::uint64_t size = in->size();
        loff_t inAt = 0, outAt = 0;
        while (std::uint64_t(inAt) < size) {
            const ssize_t n = ::copy_file_range(src, &inAt, dst, &outAt, size - std::uint64_t(inAt), 0);
            if (n > 0) continue;
            if (n < 0 && errno == EINTR) continue;
            if (n == 0 || errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) {
                // The rest the plain way.
                std::vector<std::byte> chunk(1 << 20);
                for (std::size_t got; (got = in->read(std::uint64_t(inAt), chunk)) > 0; inAt += loff_t(got))
                    out->write(std::uint64_t(inAt), std::span(chunk).first(got));
                break;
            }
            failOs("Nie można skopiować pliku do", to, errno);
        }
        out->sync();
    }

    std::unique_ptr<File> open(const std::string& path, OpenMode mode) override {
        int flags = O_CLOEXEC;
        switch (mode) {
            case OpenMode::ReadOnly: flags |= O_RDONLY; break;
            case OpenMode::ReadWrite: flags |= O_RDWR; break;
            case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
            case OpenMode::CreateOrTrunc: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
        }
        int fd;
        do {
            fd = ::open(path.c_str(), flags, 0644);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) failOs("Nie można otworzyć pliku", path, errno);
        return std::make_unique<PosixFile>(fd, path);
    }

    bool exists(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0;
    }

    void remove(const std::string& path) override {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            failOs("Nie można usunąć pliku", path, errno);
    }

    void rename(const std::string& from, const std::string& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0)
            failOs("Nie można zmienić nazwy pliku", from, errno);
    }

    std::vector<std::string> listDir(const std::string& dir) override {
        std::vector<std::string> names;
        DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
        if (!d) failOs("Nie można odczytać katalogu", dir, errno);
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(std::move(name));
        }
        ::closedir(d);
        return names;
    }

    void syncDir(const std::string& dir) override {
        int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return;
        ::fsync(fd);
        ::close(fd);
    }

    bool isReadOnly(const std::string& path) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return false;
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    }

    bool isLink(const std::string& path) override {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    }

    std::string realPath(const std::string& path) override {
        // The longest part that exists is resolved by the kernel; the rest is kept.
        std::string head = path.empty() ? std::string(".") : path;
        std::string tail;
        while (true) {
            if (char* real = ::realpath(head.c_str(), nullptr)) {
                std::string out = real;
                std::free(real);
                // What does not exist holds no link: its "." and ".." are plain text.
                return tail.empty() ? out : Env::realPath(joinPath(out, tail));
            }
            const std::string parent = dirName(head);
            const std::string name = baseName(head);
            if (parent.empty() || parent == head) return Env::realPath(path);
            tail = tail.empty() ? name : joinPath(name, tail);
            head = parent;
        }
    }

    bool isDir(const std::string& path) override {
        struct stat st {};
        return ::stat(path.empty() ? "." : path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    void createDir(const std::string& dir) override {
        if (::mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST) return;
        failOs("Nie można utworzyć folderu", dir, errno);
    }

    void removeDir(const std::string& dir) override { ::rmdir(dir.c_str()); }

    void makeWritable(const std::string& path) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return;
        if (::chmod(path.c_str(), st.st_mode | S_IWUSR) != 0)
            failOs("Nie można zdjąć atrybutu tylko do odczytu z pliku", path, errno);
    }
};

}  // namespace

void File::readExact(std::uint64_t offset, std::span<std::byte> out) {
    if (read(offset, out) != out.size())
        fail(ErrorCode::Corrupt, "Plik " + path() + " jest uszkodzony: kończy się przedwcześnie.");
}

void Env::copyFile(const std::string& from, const std::string& to) {
    auto in = open(from, OpenMode::ReadOnly);
    auto out = open(to, OpenMode::CreateOrTrunc);
    std::vector<std::byte> chunk(1 << 20);
    std::uint64_t at = 0;
    for (std::size_t n; (n = in->read(at, chunk)) > 0; at += n) out->write(at, std::span(chunk).first(n));
    out->sync();
}

bool Env::isLink(const std::string&) {
    return false;
}

std::string Env::realPath(const std::string& path) {
    // Without links the path's own spelling, "." and ".." taken out.
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = path.find('/', pos);
        if (next == std::string::npos) next = path.size();
        const std::string part = path.substr(pos, next - pos);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (path.empty() || path[0] != '/')
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = next + 1;
    }
    std::string out = !path.empty() && path[0] == '/' ? "/" : "";
    for (const std::string& part : parts) out = out.empty() ? part : joinPath(out, part);
    return out.empty() ? std::string(".") : out;
}

Env& Env::system() {
    static PosixEnv env;
    return env;
}

std::string dirName(const std::string& path) {
    auto pos = path.find_last_of('/');
    if (pos == std::string::npos) return {};
    if (pos == 0) return "/";
    return path.substr(0, pos);
}

std::string baseName(const std::string& path) {
    auto pos = path.find_last_of('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

}  // namespace lumiro::engine
