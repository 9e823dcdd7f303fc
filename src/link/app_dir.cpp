#include "link/app_dir.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>

#include "link/file_io.h"
#include "link/settings.h"

namespace vexlan {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view app_dir_flag = "--app-dir";

// Is this file of the installed defaults one that belongs in the application directory?
bool shipped_default(const fs::path& relative)
{
    const auto parts = std::distance(relative.begin(), relative.end());
    if (parts == 1)
        return relative.extension() == ".ini" || relative.filename() == settings_file_name;
    return parts == 2 && *relative.begin() == "bmp";
}

// Shipped files that a release may correct and that the operator does not normally change.
bool refreshable(const fs::path& relative)
{
    const auto parts = std::distance(relative.begin(), relative.end());
    if (parts == 2) return *relative.begin() == "bmp";
    const std::string name = relative.filename().string();
    return parts == 1 && relative.extension() == ".ini" && !name.ends_with("_fav.ini");
}

// FNV-1a, 64 bits: tells the copies of a file apart; nothing here is adversarial.
std::string checksum(std::string_view bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

// One line per shipped file: its path in the application directory, the checksum of the copy
// installed there, and the checksum of the shipped version the operator was last told about
// (empty until a notice was given). Lines that do not read so are ignored.
struct installed_entry {
    std::string installed;  // "-": not known (the copy was there before the record)
    std::string noticed;
    bool operator==(const installed_entry&) const = default;
};
using installed_record = std::map<std::string, installed_entry>;

constexpr std::string_view record_header =
    "# Shipped files as Vexlan installed them here: path, checksum of the installed copy, checksum of\n"
    "# a newer shipped copy that was not installed because this one was edited. Kept by Vexlan.\n";

installed_record record_parse(const std::string& text)
{
    installed_record record;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string path, installed, noticed;
        if (!std::getline(fields, path, '\t') || !std::getline(fields, installed, '\t')) continue;
        std::getline(fields, noticed, '\t');
        if (path.empty() || installed.empty()) continue;
        record[path] = {installed, noticed};
    }
    return record;
}

std::string record_text(const installed_record& record)
{
    std::string text(record_header);
    for (const auto& [path, e] : record) text += path + "\t" + e.installed + "\t" + e.noticed + "\n";
    return text;
}

}  // namespace

std::optional<std::string> app_dir_option(const std::vector<std::string>& args)
{
    std::optional<std::string> found;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == app_dir_flag) {
            if (i + 1 < args.size()) found = args[++i];
        } else if (a.size() > app_dir_flag.size() && a.compare(0, app_dir_flag.size(), app_dir_flag) == 0 &&
                   a[app_dir_flag.size()] == '=') {
            found = a.substr(app_dir_flag.size() + 1);
        }
    }
    return found;
}

std::string app_dir_resolve(const std::optional<std::string>& option, const char* xdg_data_home,
                            const char* home)
{
    if (option && !option->empty()) return *option;
    if (xdg_data_home && xdg_data_home[0] == '/') return (fs::path(xdg_data_home) / "vexlan").string();
    if (home && home[0] != '\0') return (fs::path(home) / ".local" / "share" / "vexlan").string();
    return "vexlan";
}

std::vector<std::string> app_dir_prepare(const std::string& dir,
                                         const std::string& installed_defaults_dir)
{
    std::vector<std::string> problems;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) {
        problems.push_back(dir + ": cannot create the application folder: " +
                           (ec ? ec.message() : std::string("not a folder")));
        return problems;
    }

    // What an earlier run left when it ended in the middle of a write.
    for (auto& problem : stale_temp_files_remove(dir)) problems.push_back(std::move(problem));

    const fs::path source(installed_defaults_dir);
    if (!fs::is_directory(source, ec)) {
        problems.push_back(installed_defaults_dir +
                           ": the installed default files are not there; nothing was copied");
        return problems;
    }
    fs::recursive_directory_iterator it(source, ec), end;
    if (ec) {
        problems.push_back(installed_defaults_dir + ": cannot list: " + ec.message());
        return problems;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) {
            problems.push_back(installed_defaults_dir + ": cannot list: " + ec.message());
            break;
        }
        if (!it->is_regular_file(ec)) continue;
        const fs::path relative = it->path().lexically_relative(source);
        if (!shipped_default(relative)) continue;
        const fs::path target = fs::path(dir) / relative;
        if (fs::exists(fs::symlink_status(target, ec))) continue;
        fs::create_directories(target.parent_path(), ec);
        if (ec) {
            problems.push_back(target.parent_path().string() + ": cannot create: " + ec.message());
            continue;
        }
        const file_bytes bytes = read_file(it->path().string());
        if (!bytes) {
            problems.push_back(bytes.error);
            continue;
        }
        if (auto error = write_file_atomic(target.string(), *bytes.bytes); !error.empty())
            problems.push_back(std::move(error));
    }
    return problems;
}

std::vector<std::string> shipped_defaults_refresh(const std::string& dir,
                                                  const std::string& installed_defaults_dir)
{
    std::vector<std::string> messages;
    const fs::path source(installed_defaults_dir);
    std::error_code ec;
    if (!fs::is_directory(source, ec) || !fs::is_directory(dir, ec)) return messages;  // said by prepare

    const std::string record_path = (fs::path(dir) / installed_record_file_name).string();
    installed_record record;
    if (fs::exists(fs::symlink_status(record_path, ec))) {
        const file_bytes text = read_file(record_path);
        // Without a readable record every differing copy counts as the operator's own.
        if (text) record = record_parse(*text.bytes);
        else messages.push_back(text.error);
    }
    const installed_record before = record;

    fs::recursive_directory_iterator it(source, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const fs::path relative = it->path().lexically_relative(source);
        if (!refreshable(relative)) continue;
        const std::string key = relative.generic_string();
        const std::string target = (fs::path(dir) / relative).string();
        const file_bytes shipped = read_file(it->path().string());
        const file_bytes copy = read_file(target);
        if (!shipped || !copy) {
            // a copy that is not there was reported by prepare
            if (!shipped) messages.push_back(shipped.error);
            continue;
        }
        const std::string shipped_sum = checksum(*shipped.bytes), copy_sum = checksum(*copy.bytes);
        const auto known = record.find(key);
        if (copy_sum == shipped_sum) {
            record[key] = {shipped_sum, ""};
        } else if (known != record.end() && known->second.installed == copy_sum) {
            if (auto error = write_file_atomic(target, *shipped.bytes); !error.empty())
                messages.push_back(std::move(error));
            else
                record[key] = {shipped_sum, ""};
        } else if (known == record.end() || known->second.noticed != shipped_sum) {
            messages.push_back(target + ": kept, because it was edited here; the copy that comes with this " +
                               "version differs and was not installed (it is " + it->path().string() + ")");
            record[key] = {known == record.end() ? "-" : known->second.installed, shipped_sum};
        }
    }
    if (ec) messages.push_back(installed_defaults_dir + ": cannot list: " + ec.message());
    if (record != before) {
        if (auto error = write_file_atomic(record_path, record_text(record)); !error.empty())
            messages.push_back(std::move(error));
    }
    return messages;
}

std::string installed_defaults_dir(const std::string& build_data_dir)
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path share = exe.parent_path().parent_path() / "share" / "vexlan";
        if (exe.parent_path().filename() == "bin" && fs::is_regular_file(share / "m41_timing_pattern.ini", ec))
            return share.string();
    }
    return build_data_dir;
}

}  // namespace vexlan
