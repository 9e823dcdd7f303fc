// Placeholder until the cable, CEC, discover and terminal commands land: the owner replaces this line.
#include "cli_app.h"
void vexlan::add_cable_cec_commands(CLI::App&, cli_env&) {}
