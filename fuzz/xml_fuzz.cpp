// Arbitrary bytes as an XML command set to import: never a crash, and whatever the planner takes
// makes a command file that the file reader reads back whole, in every format.
#include "format/image_reader.h"
#include "format/keynames.h"
#include "format/record.h"
#include "format/xml_command_set.h"
#include "writer/xml_import.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto set = qmk::readXmlCommandSet(bytes, error);
    if (!set)
        return error.empty() ? (std::abort(), 0) : 0;
    for (const auto& info : qmk::layout::kGenerations) {
        const auto plan = qmk::planXmlImport(*set, info.generation);
        const auto image = plan.commandFile(info.versionCode, 9);
        try {
            qmk::ImageReader in(image, qmk::layout::kFirstRecordPosition);
            for (std::uint32_t i = 0; i < plan.commands; ++i)
                qmk::readCommandRecord(in, info.generation, qmk::KeyNames{});
            const auto lists = in.u16();
            in.skip(4);
            for (std::uint32_t i = 0; i < lists; ++i)
                qmk::readListRecord(in);
            if (!in.atEnd())
                std::abort();
        } catch (...) {
            std::abort(); // a record this program wrote that its own reader cannot frame
        }
    }
    return 0;
}
