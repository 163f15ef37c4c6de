#include "cli.h"

#include <iostream>

int main(int argc, char** argv) {
    return qmk::cli::run(argc, argv, std::cout, std::cerr);
}
