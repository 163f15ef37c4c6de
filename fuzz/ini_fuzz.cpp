// Arbitrary bytes as a private-profile INI file: reading never fails, and a value written is
// the value read back, whatever the file held before.
#include "platform/private_profile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto file = std::filesystem::temp_directory_path() /
                             ("qmk-ini-fuzz-" + std::to_string(::getpid()) + ".ini");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qmk::FileOps::system().writeFile(file, bytes);
    // Section and key names taken from the input, so that the fuzzer can aim at what is there.
    const auto split = bytes.find('\n');
    const auto name = bytes.substr(0, std::min<std::size_t>(split, 12));
    (void)qmk::profile::read(file, name, name, "fallback");
    (void)qmk::profile::read(file, "Quillmark", "slider");
    if (!qmk::profile::write(file, "Quillmark", "slider", "7"))
        std::abort();
    if (qmk::profile::read(file, "Quillmark", "slider") != "7") {
        std::fprintf(stderr, "a written value did not read back\n");
        std::abort();
    }
    return 0;
}
