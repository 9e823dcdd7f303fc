#include "link/file_io.h"

#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {

namespace {

std::string os_reason(int err) { return std::strerror(err); }

std::string folder_of(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Opens a new, not yet existing temporary file in the folder of `path`; returns the descriptor
// and sets `temp_path`, or -1 with errno set. The temporary name is hidden and kept short (a
// prefix of the target's name), so even a target with a name of the longest allowed length works.
int temp_open(const std::string& path, std::string& temp_path)
{
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 40);
    std::random_device seed;
    std::mt19937 gen(seed() ^ static_cast<unsigned>(getpid()));
    std::uniform_int_distribution<int> pick(0, 35);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(8, '0');
        for (auto& c : suffix) c = digits[pick(gen)];
        temp_path = folder + "." + base + "." + suffix + ".tmp";
        const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

file_bytes read_file(const std::string& path)
{
    file_bytes result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = path + ": cannot open for reading: " + os_reason(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        result.error = path + ": cannot read: " + os_reason(EISDIR);
        return result;
    }
    std::string data;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            data.append(buf, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int err = errno;
            ::close(fd);
            result.error = path + ": cannot read: " + os_reason(err);
            return result;
        }
    }
    ::close(fd);
    result.bytes = std::move(data);
    return result;
}

std::string write_file_atomic(const std::string& path, std::string_view bytes)
{
    if (path.empty()) return "(empty file name): cannot write: " + os_reason(ENOENT);

    std::string temp_path;
    const int fd = temp_open(path, temp_path);
    if (fd < 0) return path + ": cannot create a temporary file: " + os_reason(errno);

    auto fail = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(temp_path.c_str());
        return path + ": " + what + ": " + os_reason(err);
    };

    // Keep the permission bits of a file that is being replaced.
    struct stat old_st {};
    if (::stat(path.c_str(), &old_st) == 0) {
        if (S_ISDIR(old_st.st_mode)) return fail("cannot replace", EISDIR);
        if (::fchmod(fd, old_st.st_mode & 07777) != 0) return fail("cannot set permissions", errno);
    }

    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("cannot write", errno);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) return fail("cannot flush to disk", errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp_path.c_str());
        return path + ": cannot write: " + os_reason(err);
    }
    if (::rename(temp_path.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp_path.c_str());
        return path + ": cannot replace: " + os_reason(err);
    }
    // Make the rename itself durable; a folder that cannot be synced does not undo the write.
    const int dir_fd = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        ::fsync(dir_fd);
        ::close(dir_fd);
    }
    return {};
}

}  // namespace vexlan
