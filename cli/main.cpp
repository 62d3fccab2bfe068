#include "CliProgram.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    return vexmoor::cli::runCliProgram(std::vector<std::string>(argv + 1, argv + argc));
}
