// Identity, reboot, factory reset, task mode and the "$help" listing.
#include "sim_commands.h"

namespace vexlan::sim {

void add_system_commands(std::vector<command_entry>& t) {
    std::vector<command_entry> mine = {
        {"$model?", "", "model text", all, [](ctx& x) { return ok(x.word, {x.u.cfg.model}); }},
        {"$board_id?", "", "board id 0..2", all,
         [](ctx& x) { return ok(x.word, {std::to_string(x.u.cfg.board_id)}); }},
        {"$fwver?", "", "firmware version", all, [](ctx& x) { return ok(x.word, {x.u.cfg.fw}); }},
        {"$boot?", "", "boot state", all, [](ctx& x) { return ok(x.word, {"ok"}); }},
        {"$boot", "go", "reboot the unit", all,
         [](ctx& x) {
             if (x.args != "go") return err(x.word);
             unit_reboot(x.u, x.now);
             return ok(x.word, {"go"});
         }},
        {"$factory", "", "restore factory settings", all,
         [](ctx& x) {
             unit_factory_reset(x.u);
             return ok(x.word, {"ok"});
         }},
        {"$task_mode?", "", "task mode", all, [](ctx& x) { return ok(x.word, {task_text(x.u.task)}); }},
        {"$task_mode", "analyser|pattern|cable", "set the task mode", all,
         [](ctx& x) {
             auto t = task_from_text(x.args);
             if (!t || (*t == task_kind::cable && family_of(x.u) != 1)) return err(x.word);
             if (x.u.task == task_kind::cable && *t != task_kind::cable && x.u.cable.running) {
                 x.u.cable.running = false;
                 x.u.cable.result = "stop";
             }
             x.u.task = *t;
             return ok(x.word, {task_text(*t)});
         }},
        {"$help", "", "this list", all, nullptr},
        {"$?", "", "this list", all, nullptr},
    };
    t.insert(t.end(), mine.begin(), mine.end());
}

std::string help_text(const unit_state& u) {
    std::string s = "Vexlan unit " + u.cfg.model + " FW " + u.cfg.fw + " commands:" + crlf;
    unsigned fam = 1u << family_of(u);
    for (const auto& e : command_table()) {
        if (!(e.families & fam)) continue;
        std::string l = "  " + e.word;
        if (!e.args.empty()) l += " " + e.args;
        if (l.size() < 40) l.resize(40, ' ');
        s += l + " " + e.help + crlf;
    }
    return s + "\x04";
}

}  // namespace vexlan::sim
