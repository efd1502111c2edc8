#include <iostream>
#include <string>
#include <vector>

#include "CuratorTool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return kelm::curator::RunTool(args, std::cout, std::cerr);
}
