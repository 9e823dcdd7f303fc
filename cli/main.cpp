// vexlan-cli: the application's core without windows, for scripts and test labs.
#include <iostream>

#include "cli_app.h"

int main(int argc, char** argv)
{
    const int status = vexlan::cli_run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    std::cout.flush();
    return status;
}
