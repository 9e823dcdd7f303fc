// Placeholder until the monitor commands land: the owner of cli_monitor.cpp replaces this line.
#include "cli_app.h"
void vexlan::add_monitor_commands(CLI::App&, cli_env&) {}
