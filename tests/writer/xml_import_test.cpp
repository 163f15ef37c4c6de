#include "common/codepage.h"
#include "format/image_reader.h"
#include "format/keynames.h"
#include "format/record.h"
#include "format/xml_command_set.h"
#include "text_checks.h"
#include "writer/xml_import.h"

#include <gtest/gtest.h>

namespace qmk {

namespace {

// Latin-1 text as UTF-16LE, byte by byte: every Latin-1 character is its own code unit.
std::string widened(const std::string& latin1) {
    std::string out;
    for (const char c : latin1) {
        out += c;
        out += '\0';
    }
    return out;
}

// A set of hand-written shape: one global block holding `commands`, then `lists`.
std::string handWritten(const std::string& commands, const std::string& lists = "",
                        const std::string& declaration = "utf-8") {
    return "<?xml version=\"1.0\" encoding=\"" + declaration +
           "\"?>\r\n<!DOCTYPE MyCommands SYSTEM \"MyCmds11.dtd\">\r\n\r\n<MyCommands "
           "version=\"2.0\" language=\"0x809\">\r\n\t<Commands type=\"global\">\r\n" +
           commands + "\t</Commands>\r\n\t<Lists>\r\n" + lists + "\t</Lists>\r\n</MyCommands>\r\n";
}

std::string command(const std::string& name, const std::string& contents,
                    const std::string& group = "") {
    return "\t\t<Command name=\"" + name + "\" group=\"" + group +
           "\" enabled=\"true\" states=\"\">\r\n\t\t\t<description>d</description>\r\n\t\t\t" +
           contents + "\r\n\t\t</Command>\r\n";
}

std::string script(const std::string& type, const std::string& body) {
    return "<contents type=\"" + type + "\"><![CDATA[" + body + "]]></contents>";
}

struct Imported {
    std::vector<CommandRecord> commands;
    std::vector<std::vector<std::string>> lists; // each LIST: its name, then its items
    std::vector<std::string> unfit;
    std::string image; // the records' views point into it
};

// The XML read, planned as a 10.x file and read back with the file reader.
std::unique_ptr<Imported> imported(const std::string& xml) {
    auto result = std::make_unique<Imported>();
    std::string error;
    const auto set = readXmlCommandSet(xml, error);
    EXPECT_TRUE(set) << error;
    if (!set)
        return result;
    const auto plan = planXmlImport(*set, layout::Generation::V10);
    result->unfit = plan.unfit;
    result->image = plan.commandFile(7, languageCodeOf(set->languageId));
    ImageReader in(result->image, layout::kFirstRecordPosition);
    for (std::uint32_t i = 0; i < plan.commands; ++i)
        result->commands.push_back(readCommandRecord(in, layout::Generation::V10, KeyNames{}));
    const auto lists = in.u32Low16();
    for (std::uint32_t i = 0; i < lists; ++i) {
        const auto list = readListRecord(in);
        auto& entry = result->lists.emplace_back(1, std::string(list.name));
        for (const auto item : list.items)
            entry.emplace_back(item);
    }
    return result;
}

// UTF-8 text in another layout: each code point as `width` bytes in the byte order given.
std::string laidOut(const std::string& utf8, std::size_t width, bool bigEndian) {
    std::string out;
    std::size_t i = 0;
    char32_t c = 0;
    while (i < utf8.size() && codepage::decodeUtf8(utf8, i, c))
        for (std::size_t k = 0; k < width; ++k)
            out += static_cast<char>(c >> (8 * (bigEndian ? width - 1 - k : k)) & 0xFF);
    return out;
}

TEST(XmlImport, TheBytesDecideTheEncodingAndADeclarationMustAgreeWithThem) {
    const auto text = [](const std::string& declaration) {
        return handWritten(command("caf\u00e9 \u20ac", script("DVC_SCRIPT", "Beep")), "",
                           declaration);
    };
    const std::string name = "caf\xe9 \x80"; // as the command file holds it
    const std::pair<const char*, std::string> read[] = {
        {"UTF-16LE with its mark", "\xFF\xFE" + laidOut(text("utf-16"), 2, false)},
        {"UTF-16LE without a mark", laidOut(text("utf-16"), 2, false)},
        {"UTF-16BE with its mark", "\xFE\xFF" + laidOut(text("utf-16"), 2, true)},
        {"UTF-16BE without a mark", laidOut(text("UTF-16BE"), 2, true)},
        {"UTF-32LE", std::string("\xFF\xFE\0\0", 4) + laidOut(text("utf-32"), 4, false)},
        {"UTF-32BE without a mark", laidOut(text("utf-32"), 4, true)},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + text("utf-8")},
        {"UTF-8 undeclared", text("")},
        {"windows-1252", codepage::fromUtf8(text("windows-1252")).bytes},
    };
    for (const auto& [variant, bytes] : read) {
        const auto result = imported(bytes);
        ASSERT_EQ(result->commands.size(), 1u) << variant;
        EXPECT_EQ(result->commands[0].name, name) << variant;
        // 0x809 is English (United Kingdom): the primary language is the low bits.
        EXPECT_EQ(static_cast<std::uint8_t>(result->image[layout::kLanguageOffset]), 9);
    }
    const std::pair<std::string, const char*> refused[] = {
        {text("utf-16"), "declares the encoding \"utf-16\", but its bytes are single-byte text"},
        {"\xFF\xFE" + laidOut(text("utf-8"), 2, false), "but its bytes are UTF-16"},
        {"\xFE\xFF" + laidOut(text("utf-16le"), 2, true), "but its bytes are UTF-16 (big"},
        {text("koi8-r"), "\"koi8-r\", which Quillmark10 does not read"},
        {"\xEF\xBB\xBF" + text("windows-1252"), "starts with UTF-8's byte-order mark"},
        {codepage::fromUtf8(text("utf-8")).bytes, "is not UTF-8 as it says: byte"},
        {"\xFF\xFE<\0x", "The UTF-16 text ends in half a character"},
    };
    for (const auto& [bytes, because] : refused) {
        std::string error;
        EXPECT_FALSE(readXmlCommandSet(bytes, error)) << because;
        EXPECT_TRUE(testing::contains(error, because)) << error;
    }
}

TEST(XmlImport, EachContentsTypeBecomesItsCommandType) {
    struct Case {
        const char* contents;
        const char* type;
        std::string body;
    };
    const Case cases[] = {
        {"<contents type=\"SCRIPT\"><![CDATA[Sub Main\r\nEnd Sub]]></contents>", "A",
         "Sub Main\r\nEnd Sub"},
        {"<contents type=\"DVC_SCRIPT\"><![CDATA[SendKeys \"{Ctrl+b}\"\"x\"]]></contents>", "K",
         "{Ctrl+b}\"x"},
        {"<contents type=\"DVC_SCRIPT\"><![CDATA[SendKeys \"a\" \"b\"]]></contents>", "S",
         "SendKeys \"a\" \"b\""},
        {"<contents type=\"DVC_SCRIPT\"><![CDATA[SendKeys \"a\"\r\nBeep]]></contents>", "S",
         "SendKeys \"a\"\r\nBeep"},
        // A line break inside the one statement's string: a script, never a key string.
        {"<contents type=\"DVC_SCRIPT\"><![CDATA[SendKeys \"a\r\nb\"]]></contents>", "S",
         "SendKeys \"a\r\nb\""},
        {"<contents type=\"DVC_SCRIPT\"><![CDATA[SendKeys \"a\nb\"]]></contents>", "S",
         "SendKeys \"a\nb\""},
        {"<contents type=\"TEXT-GRAPHICS\"><RTF><![CDATA[{\\rtf1\\ansi\\ansicpg1252\\deff0{"
         "\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 a\\par\r\nb}]]></RTF><TEXT><![CDATA[a\r\nb]]>"
         "</TEXT></contents>",
         "P", "a\r\nb"},
        {"<contents type=\"TEXT-GRAPHICS\"><RTF><![CDATA[{\\rtf1 {\\b a}}]]></RTF><TEXT><![CDATA["
         "a]]></TEXT></contents>",
         "T", "a"},
    };
    for (const auto& c : cases) {
        const auto result = imported(handWritten(command("it", c.contents)));
        ASSERT_EQ(result->commands.size(), 1u) << c.contents;
        EXPECT_EQ(letterOf(result->commands[0].type()), c.type) << c.contents;
        EXPECT_EQ(result->commands[0].script, c.body) << c.contents;
    }
    const auto rich = imported(handWritten(command("it", cases[7].contents)));
    EXPECT_EQ(rich->commands[0].graphicsize, 14u); // "{\rtf1 {\b a}}"
}

TEST(XmlImport, ACharacterBeyondTheFirstPlaneIsNamedAsOutsideTheCodePage) {
    // U+1F600 is the pair D83D DE00 in UTF-16.
    auto xml =
        "\xFF\xFE" + widened(handWritten(command("smile @", script("SCRIPT", "x")), "", "utf-16"));
    xml.replace(xml.find(widened("@")), 2, std::string("\x3D\xD8\x00\xDE", 4));
    const auto result = imported(xml);
    ASSERT_EQ(result->unfit.size(), 1u);
    EXPECT_EQ(result->unfit[0], "command \"smile \xF0\x9F\x98\x80\" (line 6): The name: The "
                                "character \"\xF0\x9F\x98\x80\" (U+1F600) cannot be stored in a "
                                "command file (code page Windows-1252)");
    std::string error;
    EXPECT_FALSE(readXmlCommandSet(std::string("\xFF\xFE<\0\x3D\xD8>\0", 8), error));
    EXPECT_EQ(error, "The UTF-16 text holds no character at byte 3");
}

TEST(XmlImport, ApplicationAndWindowBlocksGiveTheProgramAndScope) {
    const auto xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><MyCommands version=\"2.0\" "
        "language=\"0x407\"><Commands type=\"application\"><module>WinWord</module><company>MS"
        "</company><description>Word</description>" +
        command("bold", script("SCRIPT", "b")) +
        "</Commands><Commands type=\"window\"><module>excel</module><company></company>"
        "<description></description><caption>Book1</caption><class>XLMAIN</class>" +
        command("sum", script("SCRIPT", "s")) + "</Commands></MyCommands>";
    const auto result = imported(xml);
    ASSERT_EQ(result->commands.size(), 2u);
    const auto& bold = result->commands[0];
    EXPECT_EQ(bold.availability(), layout::kApplication);
    EXPECT_EQ(bold.program, "WinWord");
    EXPECT_EQ(bold.companyName, "MS");
    EXPECT_EQ(bold.programDescription, "Word");
    const auto& sum = result->commands[1];
    EXPECT_EQ(sum.availability(), layout::kWindow);
    EXPECT_EQ(sum.program, "excel");
    EXPECT_EQ(sum.windowTitle, "Book1");
    EXPECT_EQ(sum.windowClass, "XLMAIN");
    EXPECT_EQ(static_cast<std::uint8_t>(result->image[layout::kLanguageOffset]), 7);
}

TEST(XmlImport, ListValuesGetTheCommandFilesDoubledBackslash) {
    const auto result = imported(handWritten(
        command("pick [fruit]", script("DVC_SCRIPT", "Beep")),
        "\t\t<List name=\"fruit\">\r\n\t\t\t<Value><![CDATA[apple\\Apple]]></Value>\r\n"
        "\t\t\t<Value><![CDATA[\\]]></Value>\r\n\t\t\t<Value><![CDATA[pear]]></Value>\r\n"
        "\t\t</List>\r\n"));
    ASSERT_EQ(result->commands.size(), 1u);
    EXPECT_EQ(result->commands[0].name, "pick <fruit>");
    EXPECT_EQ(result->commands[0].listReferences, 1);
    const std::vector<std::vector<std::string>> expected{
        {"fruit", "apple\\\\Apple", "\\\\", "pear"}};
    EXPECT_EQ(result->lists, expected);
}

TEST(XmlImport, WhatTheFileCannotHoldIsListedWithItsReason) {
    const std::string name150(150, 'n');
    std::string twenty, twentyOne;
    std::string lists;
    for (int i = 0; i < 21; ++i) {
        const auto list = "l" + std::to_string(i);
        (i < 20 ? twenty : twentyOne) += "[" + list + "]";
        lists += "<List name=\"" + list + "\"><Value>v</Value></List>";
    }
    twentyOne = twenty + twentyOne;
    const auto result = imported(handWritten(
        command(name150, script("SCRIPT", "at the limit")) +
            command(name150 + "n", script("SCRIPT", "one past")) +
            command("twenty " + twenty, script("SCRIPT", "at the limit")) +
            command("twenty-one " + twentyOne, script("SCRIPT", "one past")) +
            command("snow", script("SCRIPT", "\xe2\x98\x83")) +
            command("grouped", script("SCRIPT", "g"), std::string(50, 'g')) +
            command("overgrouped", script("SCRIPT", "g"), std::string(51, 'g')) +
            command("say [nowhere]", script("SCRIPT", "x")) +
            command("moved", "<contents type=\"ACTIONS\"><action time=\"1\" type=\"leftdown\" "
                             "x=\"1\" y=\"2\" window=\"0\"/></contents>") +
            command("stepped", "<contents type=\"STEP BY STEP\"></contents>") +
            command("odd", script("MACRO", "x")),
        lists));
    ASSERT_EQ(result->commands.size(), 3u);
    EXPECT_EQ(result->commands[0].name, name150);
    EXPECT_EQ(result->commands[1].listReferences, 20);
    EXPECT_EQ(result->commands[2].group, std::string(50, 'g'));
    ASSERT_EQ(result->unfit.size(), 8u);
    // A long name is quoted by its first 80 characters.
    EXPECT_EQ(result->unfit[0], "command \"" + name150.substr(0, 80) +
                                    "... (151 characters)\" (line 10): The name is longer than "
                                    "150 characters");
    EXPECT_EQ(result->unfit[1].substr(result->unfit[1].find(": ")),
              ": it names more than 20 LISTs");
    EXPECT_EQ(result->unfit[2],
              "command \"snow\" (line 22): The body: The character \"\xe2\x98\x83\" "
              "(U+2603) cannot be stored in a command file (code page "
              "Windows-1252)");
    EXPECT_TRUE(testing::contains(result->unfit[3], "overgrouped"));
    EXPECT_EQ(result->unfit[4], "command \"say [nowhere]\" (line 34): it names the LIST "
                                "\"nowhere\", which neither the XML nor the target holds");
    EXPECT_TRUE(testing::contains(result->unfit[5],
                                  "\"moved\" (line 38): its ACTIONS contents can be brought "
                                  "back only from this program's own export"));
    EXPECT_TRUE(testing::contains(result->unfit[6], "\"stepped\""));
    EXPECT_EQ(result->unfit[7],
              "command \"odd\" (line 46): its contents type \"MACRO\" is unknown");
}

TEST(XmlImport, RecordBytesFromTheXmlMustFrameAsTheirType) {
    const auto actions = [](const std::string& body) {
        return "<contents type=\"ACTIONS\" body=\"" + body + "\"/>";
    };
    // No recorder windows, one mouse event: its kind byte and 20 bytes of payload.
    const std::string oneMove = "00000000"
                                "01000000"
                                "02" +
                                std::string(40, '0');
    const auto result = imported(handWritten(
        command("framed", actions(oneMove)) + command("short", actions(oneMove.substr(2))) +
        command("longer", actions(oneMove + "00")) + command("not hex", actions("zz")) +
        command("keys", "<contents type=\"DVC_SCRIPT\" body=\"0178\">x</contents>")));
    ASSERT_EQ(result->commands.size(), 2u);
    EXPECT_EQ(result->commands[0].type(), ItemType::MacroRecorder);
    EXPECT_EQ(result->commands[0].script, "Mouse move (0,0)");
    EXPECT_EQ(result->commands[1].type(), ItemType::Script); // the bytes' own body, not the text
    EXPECT_EQ(result->commands[1].script, "x");
    ASSERT_EQ(result->unfit.size(), 3u);
    for (const auto& unfit : result->unfit)
        EXPECT_TRUE(unfit.ends_with(": its body attribute does not hold the record's bytes"))
            << unfit;
}

TEST(XmlImport, WhatXmlCannotHoldOrThisProgramWouldMisreadIsRefusedWithItsLine) {
    const auto one = [](const std::string& name, const std::string& type = "global",
                        const std::string& after = "") {
        return "<?xml version=\"1.0\"?>\r\n<MyCommands>\r\n\t<Commands type=\"" + type +
               "\">\r\n\t\t<Command name=\"" + name +
               "\"><contents type=\"SCRIPT\">x</contents></Command>\r\n\t</Commands>\r\n"
               "</MyCommands>" +
               after;
    };
    const std::pair<std::string, const char*> refused[] = {
        {"<?xml version=\"1.0\"?>\r\n<MyCommands>\r\n\t<Commands type=\"global\">"
         "\r\n\t\t<Command name=\"a\"></Comand>\r\n",
         "The XML file is malformed at line 4, column 23: Start-end tags mismatch"},
        {"<?xml version=\"1.0\"?><Other/>",
         "This is not an XML command set: its root element is not <MyCommands>"},
        // A NUL would cut the name short; a control character XML forbids.
        {one("al&#0;pha"), "at line 4: the character reference &#0; names a character XML"},
        {one("al&#x1;pha"), "the character reference &#x1; names a character XML cannot hold"},
        {one("al\x02pha"), "a control character (2) at line 4"},
        {one("a&bogus;b"), "at line 4: the entity &bogus; is unknown"},
        // Read as global, an unknown block would make its commands active everywhere.
        {one("a", "Application"), "block at line 3 is of the type \"Application\""},
        {one("a", "bogus"), "is of the type \"bogus\", which is none of"},
        {one("a", "global", "\r\n<More/>"), "goes on after its </MyCommands>, at line 7"},
        {one("a", "global", "trailing"), "goes on after its </MyCommands>, at line 6"},
    };
    for (const auto& [xml, because] : refused) {
        std::string error;
        EXPECT_FALSE(readXmlCommandSet(xml, error)) << because;
        EXPECT_TRUE(testing::contains(error, because)) << error;
    }
    std::string error;
    EXPECT_TRUE(readXmlCommandSet(one("a &amp; &#233; b", "window", "<!-- done -->\r\n"), error))
        << error;
}

TEST(XmlImport, NoEntityOrDtdIsEverResolved) {
    const std::string xml =
        "<?xml version=\"1.0\"?><!DOCTYPE MyCommands SYSTEM \"http://127.0.0.1:1/x.dtd\" [ "
        "<!ENTITY secret SYSTEM \"file:///etc/passwd\"> <!ENTITY word \"expanded\"> ]>"
        "<MyCommands><Commands type=\"global\"><Command name=\"a\"><description>&secret;&word;"
        "</description><contents type=\"SCRIPT\">x</contents></Command></Commands></MyCommands>";
    std::string error;
    EXPECT_FALSE(readXmlCommandSet(xml, error));
    EXPECT_TRUE(testing::contains(error, "the entity &secret; is unknown")) << error;
}

} // namespace

} // namespace qmk
