// The monitor report: one pass over the poll lists of the chosen monitor types, each reply
// written as report lines; shown in place of the live page, saved as a text file.
#pragma once

#include <string>
#include <vector>

namespace vexlan {

struct app_context;
struct monitor_kept;

inline constexpr const char* monitor_report_titles[5] = {
    "========== Monitor System", "========== Monitor Video Timing", "========== Monitor Audio Timing",
    "========== Monitor Packet", "========== Monitor HDCP & SCDC"};

// REPORT: builds the report of the checked types and shows it (or records a deferred action 8
// while a transaction or a poll step runs).
void cmd_monitor_report_click(app_context& ctx);
// SAVE: asks for a file name and writes the shown report.
void cmd_monitor_save_click(app_context& ctx);
// EXIT: closes the report and resumes live monitoring.
void cmd_monitor_exit_click(app_context& ctx);

// Sends the query `entry` and appends its lines for the section `report_page` to the report
// text being built. False (and report_abort set) when the query got no accepted or error reply.
bool monitor_report_item(app_context& ctx, int entry);

// The lines of one reply (reply parameters in ctx.link) to `entry` in the section `page`.
// Updates the kept values as the status refresh does.
std::string monitor_report_lines(app_context& ctx, int entry, int page);

// The flags that setting a type's poll list clears.
void monitor_flags_for_list(monitor_kept& k, int page, int task_mode);

// The report's file name: only the name part after the last "/" is changed. A name without an
// extension gets ".txt"; an extension of up to four characters other than "txt" (any case) is
// replaced by "txt"; a longer one gets ".txt" appended.
std::string report_file_name_fix(const std::string& path);

}  // namespace vexlan
