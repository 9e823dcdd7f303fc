// A linked unit on a fake link for the output pages, the output panel and the colour dialog: a
// small catalogue, and a unit that keeps every setting it is told and answers queries from it.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fake_ports.h"
#include "link/app_context.h"

namespace vexlan::testing {

using lines = std::vector<std::string>;

// The unit: "$name value" stores value under "name" and echoes it; "$name?" answers the stored
// value. `replies` overrides the whole reply line (without CR LF) of a command word; `silent`
// words get no reply at all; `delay` is the answer time in ms.
struct settings_unit {
    std::map<std::string, std::string> values;
    std::map<std::string, std::string> replies;
    std::set<std::string> silent;
    std::uint32_t delay = 5;

    std::vector<reply_chunk> operator()(const std::string& line) {
        const std::string word = cmdstr_cmd_get(line);
        if (silent.count(word)) return {};
        if (auto it = replies.find(word); it != replies.end()) return {{delay, it->second + "\r\n"}};
        std::string name = word.substr(1);
        if (!name.empty() && name.back() == '?') {
            name.pop_back();
            return {{delay, word + " " + values[name] + "\r\n"}};
        }
        std::string arg = line.size() > word.size() + 1 ? line.substr(word.size() + 1) : std::string();
        if (!arg.empty() && arg.back() == '\r') arg.pop_back();
        while (!arg.empty() && arg.front() == ' ') arg.erase(0, 1);
        values[name] = arg;
        return {{delay, word + " " + arg + "\r\n"}};
    }
};

struct output_rig : fake_rig {
    settings_unit unit;

    explicit output_rig(int model_index = 0, int board_variant = 0, int timings = 90, int patterns = 45)
        : fake_rig(1, model_index) {
        ctx.profile.board_variant = board_variant;
        ctx.tasks.task_mode = 1;
        for (int i = 1; i <= timings; ++i) ctx.catalogue.timings.push_back({"T" + std::to_string(i), false});
        for (int i = 1; i <= patterns; ++i) ctx.catalogue.patterns.push_back({"P" + std::to_string(i), false});
        ctx.catalogue.timing_count = timings;
        ctx.catalogue.pattern_count = patterns;
        tcp.open = true;
        tcp.unit = [this](const std::string& l) { return unit(l); };
        dialogs.answer = msg_answer::no;
    }

    // Marks `positions` as favourites in list order, as a catalogue load would.
    void favourites(bool timing, std::vector<int> positions) {
        auto& list = timing ? ctx.catalogue.timings : ctx.catalogue.patterns;
        auto& fav = timing ? ctx.catalogue.timing_fav : ctx.catalogue.pattern_fav;
        fav = fav_slots_empty();
        for (std::size_t k = 0; k < positions.size(); ++k) {
            fav[k] = positions[k];
            list[static_cast<std::size_t>(positions[k] - 1)].checked = true;
        }
        output_favourites_render(ctx);
    }
};

}  // namespace vexlan::testing
