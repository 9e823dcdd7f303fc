#include "link/app_dir.h"

#include <filesystem>
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

}  // namespace vexlan
