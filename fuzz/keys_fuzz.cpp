// Arbitrary key strings through both script forms: never a crash, an overrun or an endless loop.
#include "writer/keys_to_script.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view keys(reinterpret_cast<const char*>(data), size);
    (void)qmk::keysToSendKeysScript(keys);
    (void)qmk::keysToSendDragonKeysScript(keys);
    return 0;
}
