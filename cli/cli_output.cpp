// Placeholder until the output commands land: the owner of cli_output.cpp replaces this line.
#include "cli_app.h"
void vexlan::add_output_commands(CLI::App&, cli_env&) {}
