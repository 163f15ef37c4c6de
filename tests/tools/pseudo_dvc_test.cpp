#include "command_file_builder.h"
#include "store/statements.h"
#include "test_home.h"
#include "tools/pseudo_dvc.h"

#include <gtest/gtest.h>

namespace qmk {

TEST(PseudoDvc, BlocksItemsBodiesAndListsAsDragonLaysThemOut) {
    testing::TestHome home;
    fixture::CommandFileBuilder file;
    file.command("zeta").keys("a\\n");
    file.command("alpha").script("SendKeys \"x\"\r\nWait 5\r\nSendKeys \"y\"\r\n");
    file.command("kept").keys("c:\\\\temp");
    file.command("bold").application("winword").keys("{Ctrl+b}");
    file.command("left").window("winword", "Document1").keys("{Left}");
    file.list("colors", {"alpha", "beta"});
    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", file.build())).ok());
    home.store().exec("UPDATE user SET singleline = 1 WHERE type = 'K'");
    EXPECT_EQ(pseudoDvcText(home.store(), statements::selectAll(home.store())),
              "MENU \"Global Commands\" {\r\n"
              "\tSTATE \"Global Commands\" GLOBAL {\r\n"
              "\t\tCOMMAND \"alpha\" {\r\n"
              "\t\t\tSCRIPT {\r\n"
              "\t\t\t\tSendKeys \"x\"\r\n"
              "\t\t\t\tWait 5\r\n"
              "\t\t\t\tSendKeys \"y\"\r\n"
              "\t\t\t}\r\n"
              "\t\t}\r\n"
              "\r\n"
              "\t\tCOMMAND \"kept\" {\r\n"
              "\t\t\tKEYS \"c:\\\\temp\"\r\n"
              "\t\t}\r\n"
              "\r\n"
              "\t\tCOMMAND \"zeta\" {\r\n"
              "\t\t\tKEYS \"a\\\\n\"\r\n"
              "\t\t}\r\n"
              "\r\n"
              "\t\tLIST \"colors\" {\r\n"
              "\t\t\t\"alpha\"\r\n"
              "\t\t\t\"beta\"\r\n"
              "\t\t}\r\n"
              "\t}\r\n"
              "}\r\n"
              "\r\n"
              "MENU \"WINWORD\" {\r\n"
              "\tSTATE \"Application-specific\" {\r\n"
              "\t\tCOMMAND \"bold\" {\r\n"
              "\t\t\tKEYS \"{Ctrl+b}\"\r\n"
              "\t\t}\r\n"
              "\t}\r\n"
              "\tSTATE \"Document1\" {\r\n"
              "\t\tCOMMAND \"left\" {\r\n"
              "\t\t\tKEYS \"{Left}\"\r\n"
              "\t\t}\r\n"
              "\t}\r\n"
              "}\r\n");
}

} // namespace qmk
