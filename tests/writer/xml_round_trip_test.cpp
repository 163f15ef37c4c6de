#include "common/codepage.h"
#include "format/keynames.h"
#include "format/record.h"
#include "format/xml_encoding.h"
#include "generations.h"
#include "store/statements.h"
#include "text_checks.h"
#include "writer/xml_export.h"
#include "writer/xml_import.h"
#include "writer_fixture.h"

#include <algorithm>

namespace qmk {

namespace {

using fixture::CommandFileBuilder;
using fixture::RecorderEvent;
using fixture::RecorderWindow;
using fixture::Step;

// Every version code, 6.1 included.
class XmlRoundTrip : public testing::WriterTest,
                     public ::testing::WithParamInterface<testing::FileVersion> {
protected:
    layout::Generation generation() const { return GetParam(); }
    std::uint8_t versionCode() const { return GetParam().code; }
    bool holdsStates() const { return layout::recordLayout(generation()).statesBlock; }

    // A file with every type, every availability, program identification, a not-loaded command,
    // names with LIST slots, texts of the code page's upper half and bodies XML cannot carry.
    CommandFileBuilder everything() const {
        CommandFileBuilder file(versionCode(), 7);
        file.command("open <mailbox>")
            .listReferences({"mailbox"})
            .group("Mail")
            .description("say \"hi\" & <go>")
            .keys("{Ctrl+\"}a\\\\b");
        file.command("legacy").script("Sub Main\r\n  Beep\r\nEnd Sub\r\n");
        // A script that reads as a key string, and a key string that reads as a script.
        file.command("one statement").script("SendKeys \"x\"");
        file.command("two lines").keys("a\r\nb");
        file.command("advanced").advanced("Sub Main\r\n  x = \"]]>\"\r\nEnd Sub");
        file.command("caf\xe9 order").plainText("Dear Sir,\r\n\r\n{caf\xe9} \\ 100\x80");
        file.command("letterhead").textAndGraphics("{\\rtf1\\ansi Example \\par}", "Example");
        file.command("binary graphic").textAndGraphics("\x01\x02\x00\xff", "g");
        file.command("recorded")
            .recorder({RecorderEvent::key(65, 0), RecorderEvent::key(65, 128),
                       RecorderEvent::mouse(0, 300, 200), RecorderEvent::mouse(1),
                       RecorderEvent::opaque()},
                      {RecorderWindow{}});
        file.command("start the day")
            .steps({Step::open("notepad.exe", "c:\\notes", "", 1), Step::wait(1500),
                    Step::type("Today"), Step::press(13), Step::microphoneOff()});
        file.command("sleeping").notLoaded().keys("x");
        file.command("make it bold")
            .application("WinWord", "Microsoft Word", "Microsoft")
            .group("Word")
            .keys("{Ctrl+b}");
        auto& window = file.command("next <colors> page")
                           .listReferences({"colors"})
                           .window("WinWord", "Document1 - Word", "OpusApp", "Word", "MS")
                           .advanced("Sub Main\r\nEnd Sub");
        if (holdsStates())
            window.states({"Editing", "Reading"});
        if (generation() == layout::Generation::V10)
            file.command("vendor macro").encrypted().advanced("secret");
        file.list("mailbox", {"inbox", "sent\\\\Sent Items", "\\\\"});
        file.list("colors", {"red", "green"});
        file.list("unused", {"nobody names it"});
        return file;
    }

    // The export of every command, as the XML file's text in `encoding`.
    std::string exported(xmltext::Encoding encoding) {
        const auto keys = KeyNames::load(home_.home().file(files::kKeyNames));
        const auto result = collectXmlExport(
            *engine_, statements::selectAll(home_.store()), keys.value_or(KeyNames{}),
            [](const CommandRecord&) { return true; }, true);
        EXPECT_FALSE(result.refusal);
        summary_ = result.summary();
        return xmltext::encode(writeXmlCommandSet(result.set, xmltext::declaredName(encoding)),
                               encoding);
    }

    std::string summary_;
};

struct Records {
    std::vector<std::string> commands; // each record's bytes, sorted
    std::vector<std::string> lists;
};

// The records of a command file, read with the reader, sorted so that order does not count.
Records recordsOf(const std::string& image, bool withEncrypted) {
    Records records;
    const auto* info = layout::findGeneration(static_cast<std::uint8_t>(image[4]));
    ImageReader in(image, layout::kFirstRecordPosition);
    const auto count = in.u16At(layout::kCommandCountPosition);
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto r = readCommandRecord(in, info->generation, KeyNames{});
        if (withEncrypted || !r.encrypted)
            records.commands.push_back(image.substr(r.offset - 1, r.end - r.offset));
    }
    const auto lists = in.u32Low16();
    for (std::uint32_t i = 0; i < lists; ++i) {
        const auto l = readListRecord(in);
        records.lists.push_back(image.substr(l.offset - 1, l.end - l.offset));
    }
    std::sort(records.commands.begin(), records.commands.end());
    std::sort(records.lists.begin(), records.lists.end());
    return records;
}

TEST_P(XmlRoundTrip, EveryCommandComesBackByteForByteInBothEncodings) {
    const auto file = everything();
    load(file);
    const auto original = recordsOf(file.build(), false);
    for (const auto encoding : {xmltext::Encoding::Utf16, xmltext::Encoding::Windows1252}) {
        const auto xml = exported(encoding);
        std::string error;
        const auto set = readXmlCommandSet(xml, error);
        ASSERT_TRUE(set) << error;
        EXPECT_EQ(set->languageId, 0x407); // German
        const auto plan = planXmlImport(*set, generation());
        EXPECT_TRUE(plan.unfit.empty()) << plan.unfit.front();
        const auto image = plan.commandFile(versionCode(), 7);
        EXPECT_EQ(static_cast<std::uint8_t>(image[layout::kLanguageOffset]), 7);
        const auto back = recordsOf(image, true);
        EXPECT_EQ(back.commands, original.commands);
        EXPECT_EQ(back.lists, original.lists) << "every LIST, the one nobody names among them";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryVersion, XmlRoundTrip, testing::everyGeneration(),
                         testing::GenerationName());

// The XML itself, as Dragon's importer reads it.
class XmlExportLayout : public testing::WriterTest {
protected:
    std::string xmlOf(const CommandFileBuilder& file) {
        load(file);
        const auto result = collectXmlExport(*engine_, statements::selectAll(home_.store()),
                                             KeyNames{}, [](const CommandRecord&) { return true; });
        return writeXmlCommandSet(result.set, "utf-16");
    }
};

TEST_F(XmlExportLayout, KeysBecomeOneSendKeysStatementAndListsUseSquareBrackets) {
    CommandFileBuilder file;
    file.command("say <colors>").description("one\r\ntwo\tthree").keys("a\"b");
    file.list("colors", {"red\\\\Red", "\\\\"});
    const auto xml = xmlOf(file);
    EXPECT_TRUE(testing::contains(
        xml, "\t\t<Command name=\"say [colors]\" group=\"\" enabled=\"true\" "
             "states=\"\">\r\n\t\t\t<description>one&#13;&#10;two&#9;three</description>\r\n"
             "\t\t\t<contents "
             "type=\"DVC_SCRIPT\" keys=\"true\"><![CDATA[SendKeys \"a\"\"b\"]]></contents>\r\n"));
    EXPECT_TRUE(testing::contains(
        xml, "\t\t<List name=\"colors\">\r\n\t\t\t<Value><![CDATA[red\\Red]]></Value>"
             "\r\n\t\t\t<Value><![CDATA[\\]]></Value>\r\n\t\t</List>\r\n"));
    EXPECT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n"));
}

TEST_F(XmlExportLayout, ApplicationAndWindowBlocksCarryTheProgramIdentification) {
    CommandFileBuilder file;
    file.command("bold").application("WinWord", "Word", "MS").keys("b");
    file.command("next").window("WinWord", "Doc1", "OpusApp", "Word", "MS").keys("n");
    file.command("also bold").application("WinWord", "Word", "MS").keys("b");
    file.command("sleeping").notLoaded().keys("z");
    const auto xml = xmlOf(file);
    EXPECT_TRUE(testing::contains(
        xml, "\t<Commands type=\"application\">\r\n\t\t<module>WinWord</module>\r\n"
             "\t\t<company>MS</company>\r\n\t\t<description>Word</description>\r\n"
             "\r\n\t\t<Command name=\"bold\""));
    EXPECT_TRUE(testing::contains(xml, "<Command name=\"also bold\""));
    // One block for both commands of the program.
    EXPECT_EQ(xml.find("type=\"application\"", xml.find("type=\"application\"") + 1),
              std::string::npos);
    EXPECT_TRUE(testing::contains(xml, "<caption>Doc1</caption>\r\n\t\t<class>OpusApp</class>"));
    EXPECT_TRUE(testing::contains(xml, "name=\"sleeping\" group=\"\" enabled=\"false\""));
    EXPECT_LT(xml.find("type=\"global\""), xml.find("type=\"application\""));
    EXPECT_LT(xml.find("type=\"application\""), xml.find("type=\"window\""));
}

} // namespace

} // namespace qmk
