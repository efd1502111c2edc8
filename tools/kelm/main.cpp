// kelm: the command-line client of the KelmAPI component.
#include <iostream>

#include "Context.h"

int main(int argc, char** argv) { return kelmcli::RunTool(argc, argv, std::cout, std::cerr); }
