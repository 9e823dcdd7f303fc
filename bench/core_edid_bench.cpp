// EDID analysis benchmark over the real EDID corpus.
//
// 1. In process: edid_info_update + edid_summary_build per image (the work of ANALYZE), images
//    per second and the median time per image.
// 2. As processes: `vexlan-cli edid analyze FILE` against `edid-decode FILE` over the same files.
//    edid-decode takes one input file per run, so both tools are run as one process per file,
//    output discarded; the figure is the wall time for the whole corpus (best of a few rounds).
//    For information, vexlan-cli is also timed with all files in one process.
//
//   bench_core_edid_bench [CORPUS_DIR]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "edid_analysis/mod_edid.h"
#include "link/file_io.h"

extern char** environ;

namespace {

using clock_type = std::chrono::steady_clock;
using namespace vexlan;

struct corpus_image {
    std::string path;
    std::string bytes;
};

std::vector<corpus_image> corpus_load(const std::filesystem::path& dir)
{
    std::vector<corpus_image> images;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".bin") continue;
        const file_bytes contents = read_file(entry.path().string());
        if (contents) images.push_back({entry.path().string(), *contents.bytes});
    }
    std::sort(images.begin(), images.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return images;
}

double seconds_since(clock_type::time_point start)
{
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

void bench_in_process(const std::vector<corpus_image>& images)
{
    mod_edid st;
    vic_table_init(st);
    std::vector<edid_info> records(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::string& b = images[i].bytes;
        const std::size_t n = std::min<std::size_t>(b.size(), edid_image_slots);
        std::copy_n(reinterpret_cast<const std::uint8_t*>(b.data()), n, records[i].edid_image.begin());
        records[i].edid_size = static_cast<std::int16_t>(b.size());
    }

    std::vector<std::int64_t> per_image_ns;
    std::size_t analysed = 0, report_bytes = 0;
    double busy = 0.0;
    const auto start = clock_type::now();
    int rounds = 0;
    while (rounds < 20 || seconds_since(start) < 2.0) {
        for (const edid_info& rec : records) {
            st.work = rec;  // the record a side holds; copying it is not timed
            const auto t0 = clock_type::now();
            edid_info_update(st, edid_context_work);
            edid_summary_build(st);
            const auto t1 = clock_type::now();
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count();
            per_image_ns.push_back(ns);
            busy += static_cast<double>(ns) * 1e-9;
            report_bytes += st.edid_report_text.size();
            ++analysed;
        }
        ++rounds;
    }
    std::nth_element(per_image_ns.begin(), per_image_ns.begin() + per_image_ns.size() / 2, per_image_ns.end());
    const std::int64_t median = per_image_ns[per_image_ns.size() / 2];
    std::printf("in process: edid_info_update + edid_summary_build\n");
    std::printf("  %zu images (%d rounds over %zu files), %.1f MB of report text\n", analysed, rounds,
                images.size(), static_cast<double>(report_bytes) / 1e6);
    std::printf("  %.0f images per second, median %lld ns per image\n", static_cast<double>(analysed) / busy,
                static_cast<long long>(median));
}

// Runs argv with stdout and stderr on /dev/null; returns the exit status or -1.
int run_quiet(const std::vector<std::string>& argv)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Best wall time of `rounds` runs of one process per file.
double per_file_processes(const std::vector<std::string>& command, const std::vector<corpus_image>& images,
                          int rounds, int& failures)
{
    double best = 1e30;
    failures = 0;
    for (int r = 0; r < rounds; ++r) {
        int failed = 0;
        const auto start = clock_type::now();
        for (const corpus_image& image : images) {
            std::vector<std::string> argv = command;
            argv.push_back(image.path);
            if (run_quiet(argv) != 0) ++failed;
        }
        best = std::min(best, seconds_since(start));
        failures = failed;
    }
    return best;
}

std::string find_in_path(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t pos = 0;
    while (pos <= dirs.size()) {
        std::size_t end = dirs.find(':', pos);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(pos, end - pos) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        pos = end + 1;
    }
    return "";
}

void bench_processes(const std::vector<corpus_image>& images)
{
    const std::string cli = VEXLAN_CLI_PATH;
    std::printf("\nas processes: vexlan-cli edid analyze against edid-decode, one process per file for both\n");
    if (cli.empty() || ::access(cli.c_str(), X_OK) != 0) {
        std::printf("  vexlan-cli is not built here (%s); configure with Qt to build it. Skipped.\n",
                    cli.empty() ? "no path" : cli.c_str());
        return;
    }
    const std::string decoder = find_in_path("edid-decode");
    if (decoder.empty()) {
        std::printf("  edid-decode is not installed (apt-get install edid-decode). Skipped.\n");
        return;
    }
    const int rounds = 3;
    int cli_failures = 0, decoder_failures = 0;
    const double t_cli = per_file_processes({cli, "edid", "analyze"}, images, rounds, cli_failures);
    const double t_dec = per_file_processes({decoder}, images, rounds, decoder_failures);
    // The floor that any one-process-per-file tool pays: starting a process that does nothing.
    int true_failures = 0;
    const std::string true_path = find_in_path("true");
    const double t_true = true_path.empty() ? 0.0 : per_file_processes({true_path}, images, rounds, true_failures);
    const double n = static_cast<double>(images.size());
    if (!true_path.empty())
        std::printf("  process start alone (%s): %.3f s for %zu files, %.2f ms per file\n", true_path.c_str(), t_true,
                    images.size(), t_true * 1e3 / n);
    std::printf("  vexlan-cli edid analyze: %.3f s for %zu files, %.2f ms per file (%d non-zero exits)\n", t_cli,
                images.size(), t_cli * 1e3 / n, cli_failures);
    std::printf("  edid-decode:             %.3f s for %zu files, %.2f ms per file (%d non-zero exits)\n", t_dec,
                images.size(), t_dec * 1e3 / n, decoder_failures);
    std::printf("  ratio edid-decode / vexlan-cli: %.2fx (best of %d rounds each)\n", t_dec / t_cli, rounds);

    // For information: vexlan-cli takes several files, so one process can analyse them all.
    double best_all = 1e30;
    int rc_all = 0;
    for (int r = 0; r < rounds; ++r) {
        std::vector<std::string> argv{cli, "edid", "analyze"};
        for (const corpus_image& image : images) argv.push_back(image.path);
        const auto start = clock_type::now();
        rc_all = run_quiet(argv);
        best_all = std::min(best_all, seconds_since(start));
    }
    std::printf("  vexlan-cli, all files in one process: %.3f s (exit %d); edid-decode per file / this: %.1fx\n",
                best_all, rc_all, t_dec / best_all);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path dir = argc > 1 ? argv[1] : VEXLAN_CORPUS_DIR;
    const auto images = corpus_load(dir);
    if (images.empty()) {
        std::fprintf(stderr, "no .bin files in %s\n", dir.c_str());
        return 1;
    }
    std::printf("corpus: %s, %zu files\n\n", dir.c_str(), images.size());
    bench_in_process(images);
    bench_processes(images);
    return 0;
}
