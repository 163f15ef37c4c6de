#include "cli.h"

#include <iostream>

int main(int argc, char** argv) {
    // Nothing here writes through C's stdio: the streams keep their own buffers, which a long
    // listing needs.
    std::ios::sync_with_stdio(false);
    return qmk::cli::run(argc, argv, std::cout, std::cerr);
}
