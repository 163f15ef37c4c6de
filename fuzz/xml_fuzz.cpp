// Arbitrary bytes as an XML command set to import: never a crash, whatever the planner takes
// makes a command file that the file reader reads back whole, in every format, and that file's
// export is XML this program reads again, which exports to the very same XML.
#include "format/image_reader.h"
#include "format/keynames.h"
#include "format/record.h"
#include "format/xml_command_set.h"
#include "store/statements.h"
#include "test_home.h"
#include "writer/xml_export.h"
#include "writer/xml_import.h"

#include <cstdint>
#include <cstdlib>

namespace {

// The records of a planned file read back with the file reader: every one of them, nothing after.
void readsBackWhole(const qmk::XmlImportPlan& plan, const qmk::layout::GenerationInfo& info) {
    const auto image = plan.commandFile(info.versionCode, 9);
    try {
        qmk::ImageReader in(image, qmk::layout::kFirstRecordPosition);
        for (std::uint32_t i = 0; i < plan.commands; ++i)
            qmk::readCommandRecord(in, info.generation, qmk::KeyNames{});
        const auto lists = in.u32Low16();
        for (std::uint32_t i = 0; i < lists; ++i)
            qmk::readListRecord(in);
        if (!in.atEnd())
            std::abort();
    } catch (...) {
        std::abort(); // a record this program wrote that its own reader cannot frame
    }
}

// The XML export of every command and LIST of a 10.x command file image.
std::string exportOf(const std::string& image) {
    static qmk::testing::TestHome home; // one program directory for the whole run
    const auto file = home.writeFile("fuzz.dat", image);
    if (!home.parse(file, true).ok())
        std::abort(); // an imported file the parser refuses
    qmk::FileOps files;
    qmk::UpdateEngine engine({home.home(), home.store(), home.trace(), files, file});
    const auto exported = qmk::collectXmlExport(
        engine, qmk::statements::selectAll(home.store()), qmk::KeyNames{},
        [](const qmk::CommandRecord&) { return true; }, true);
    if (exported.refusal)
        std::abort();
    return qmk::writeXmlCommandSet(exported.set, "utf-8");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto set = qmk::readXmlCommandSet(bytes, error);
    if (!set)
        return error.empty() ? (std::abort(), 0) : 0;
    for (const auto& info : qmk::layout::kGenerations)
        readsBackWhole(qmk::planXmlImport(*set, info.generation), info);
    // Export, import, export: the same XML, and every time one this program reads.
    const auto plan = qmk::planXmlImport(*set, qmk::layout::Generation::V10);
    const auto first = exportOf(plan.commandFile(7, 9));
    const auto again = qmk::readXmlCommandSet(first, error);
    if (!again)
        std::abort(); // an export that is not well-formed, or not as this program writes it
    const auto replanned = qmk::planXmlImport(*again, qmk::layout::Generation::V10);
    if (!replanned.unfit.empty() || exportOf(replanned.commandFile(7, 9)) != first)
        std::abort();
    return 0;
}
