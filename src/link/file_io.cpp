#include "link/file_io.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

#include <dirent.h>
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
// prefix of the target's name), so even a target with a name of the longest allowed length works:
// ".NAME.xxxxxxxx.PID.tmp", so that a later start can tell its own leftovers.
int temp_open(const std::string& path, std::string& temp_path)
{
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 40);
    std::random_device seed;
    std::mt19937 gen(seed() ^ static_cast<unsigned>(getpid()));
    std::uniform_int_distribution<int> pick(0, 35);
    if (base.empty()) {
        errno = EISDIR;
        return -1;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(8, '0');
        for (auto& c : suffix) c = digits[pick(gen)];
        temp_path = folder + "." + base + "." + suffix + "." + std::to_string(getpid()) + ".tmp";
        const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

file_bytes read_file(const std::string& path, std::size_t max_bytes)
{
    file_bytes result;
    // Non-blocking, so that opening a FIFO or a terminal cannot hang; the kind is checked next.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        result.error = path + ": cannot open for reading: " + os_reason(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        result.error = path + (folder ? ": cannot read: " + os_reason(EISDIR) : std::string(": not a regular file; not read"));
        return result;
    }
    auto too_large = [&] {
        ::close(fd);
        result.error = path + ": larger than " + std::to_string(max_bytes >> 10) + " KiB; not read";
        return result;
    };
    if (static_cast<std::uint64_t>(st.st_size) > max_bytes) return too_large();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            data.append(buf, static_cast<size_t>(n));
            if (data.size() > max_bytes) return too_large();  // grew while being read
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

namespace {

// The file a path names once symbolic links are followed (the last one may dangle: the write
// creates its target). "" with errno set when the chain is too long or unreadable.
std::string link_target_resolve(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return "";
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const auto slash = current.find_last_of('/');
            if (slash != std::string::npos) target = current.substr(0, slash + 1) + target;
        }
        current = target;
    }
    errno = ELOOP;
    return "";
}

}  // namespace

std::string write_file_atomic(const std::string& path, std::string_view bytes)
{
    if (path.empty()) return "(empty file name): cannot write: " + os_reason(ENOENT);

    // A symbolic link is written through: the file it points to is replaced, the link stays.
    const std::string target = link_target_resolve(path);
    if (target.empty()) return path + ": cannot follow the link: " + os_reason(errno);
    // A file the user may not write is not replaced, although its folder would allow it.
    struct stat old_st {};
    const bool exists = ::stat(target.c_str(), &old_st) == 0;
    if (exists && S_ISDIR(old_st.st_mode)) return path + ": cannot replace: " + os_reason(EISDIR);
    if (exists && ((old_st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        return path + ": cannot replace: the file is read-only (" + os_reason(EACCES) + "); it is left as it was";

    std::string temp_path;
    const int fd = temp_open(target, temp_path);
    if (fd < 0) return path + ": cannot create a temporary file: " + os_reason(errno);

    auto fail = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(temp_path.c_str());
        return path + ": " + what + ": " + os_reason(err);
    };

    // Keep the permission bits of a file that is being replaced.
    if (exists && ::fchmod(fd, old_st.st_mode & 07777) != 0) return fail("cannot set permissions", errno);

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
    if (::rename(temp_path.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp_path.c_str());
        return path + ": cannot replace: " + os_reason(err);
    }
    // Make the rename itself durable; a folder that cannot be synced does not undo the write.
    const int dir_fd = ::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        ::fsync(dir_fd);
        ::close(dir_fd);
    }
    return {};
}

namespace {

// The process id in a name ".NAME.xxxxxxxx.PID.tmp" of write_file_atomic, or 0.
long temp_name_pid(const std::string& name)
{
    constexpr std::string_view ext = ".tmp";
    if (name.size() < 1 + 1 + 1 + 8 + 1 + 1 + ext.size() || name[0] != '.' ||
        name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return 0;
    const std::string stem = name.substr(0, name.size() - ext.size());
    const auto pid_dot = stem.find_last_of('.');
    if (pid_dot < 10 || stem[pid_dot - 9] != '.') return 0;
    for (std::size_t i = pid_dot - 8; i < pid_dot; ++i)
        if (!std::isdigit(static_cast<unsigned char>(stem[i])) && !(stem[i] >= 'a' && stem[i] <= 'z')) return 0;
    const std::string pid_text = stem.substr(pid_dot + 1);
    if (pid_text.empty() || pid_text.size() > 9 || pid_text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stol(pid_text);
}

}  // namespace

std::vector<std::string> stale_temp_files_remove(const std::string& folder)
{
    std::vector<std::string> problems;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return problems;
    const std::time_t now = std::time(nullptr);
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        const long pid = temp_name_pid(name);
        if (pid <= 0) continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        const bool writer_gone = ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        const bool old = now - st.st_mtime > 600;
        if ((writer_gone || old) && pid != ::getpid() && ::unlink(path.c_str()) != 0)
            problems.push_back(path + ": cannot remove this leftover temporary file: " + os_reason(errno));
    }
    ::closedir(dir);
    return problems;
}

std::string value_shown(std::string_view value)
{
    constexpr std::size_t shown = 80;
    std::string out;
    std::size_t taken = 0;
    for (; taken < value.size(); ++taken) {
        const auto c = static_cast<unsigned char>(value[taken]);
        char piece[8] = {static_cast<char>(c), 0};
        if (c == '\r' || c == '\n' || c == '\t')
            std::snprintf(piece, sizeof piece, "\\%c", c == '\r' ? 'r' : c == '\n' ? 'n' : 't');
        else if (c < 0x20 || c >= 0x7F)
            std::snprintf(piece, sizeof piece, "\\x%02X", c);
        if (out.size() + std::strlen(piece) > shown) break;
        out += piece;
    }
    if (taken < value.size()) out += "...";
    return out;
}

std::vector<std::string> problems_limited(const std::vector<std::string>& problems)
{
    constexpr std::size_t most = 10;
    if (problems.size() <= most) return problems;
    std::vector<std::string> out(problems.begin(), problems.begin() + most);
    out.push_back("and " + std::to_string(problems.size() - most) + " more");
    return out;
}

std::string long_lines_blank(std::string_view text, const std::string& path, std::vector<std::string>& problems)
{
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    long number = 1;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        if (end - start > text_line_limit) {
            problems.push_back(path + ": line " + std::to_string(number) + " is longer than " +
                               std::to_string(text_line_limit >> 10) + " KiB (a damaged line); it is ignored");
        } else {
            out.append(text.substr(start, end - start));
        }
        std::size_t next = end;
        if (next < text.size()) {
            next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
            out.append(text.substr(end, next - end));
        }
        start = next;
        ++number;
    }
    return out;
}

}  // namespace vexlan
