#pragma once

#include "command_file_builder.h"
#include "dragon_install.h"
#include "mainwindow/main_presenter.h"
#include "session/supplied_files.h"
#include "test_home.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace qmk {

namespace fs = std::filesystem;

class NoWindow final : public SaveCycleView {
public:
    // As the window does: the view of the current Program and Scope built again.
    void refreshed() override {
        if (presenter)
            presenter->refreshed();
    }
    MainPresenter* presenter = nullptr;
    int currentTab() override { return 0; }
    void showTab(int) override {}
    void setBusy(bool) override {}
    void showHelp(int) override {}
    void closeProgram() override { closed = true; }
    bool closed = false;
};

// The main window's presenter on a simulated Dragon user "pat" found through the environment, as
// the program finds it.
class MainPresenterTest : public ::testing::Test {
protected:
    MainPresenterTest() : install_(home_.path("")) {
        environment_.set("QUILLMARK10_COMMON_APPDATA", install_.common)
            .set("QUILLMARK10_APPDATA", install_.perUser)
            .set("QUILLMARK10_DRAGON_PROGRAM", fs::path(MERGEMYCMDS).parent_path() / "natspeak");
        fixture::CommandFileBuilder file(7, 9);
        file.command("open mail").keys("{Ctrl+m}");
        file.command("bold").window("winword", "Document1").keys("{Ctrl+b}");
        file.write(commandFile().string());
        home_.writeFile(kLaunchCommandsFile, launchCommandsFile());
        home_.writeFile(kPlacerFile, placerFile());
        home_.writeFile("Quillmark10.INI", "[Quillmark]\r\ndont show auto import=-1\r\n");
    }
    fs::path commandFile() const { return install_.currentFolder() + "/mycmds.dat"; }
    // A presenter on a simulated Dragon of its own, set up from the environment as it is now.
    std::unique_ptr<MainPresenter> presenter(MessageLoop* loop = nullptr) {
        dragons_.push_back(std::make_unique<SimulatedDragon>());
        auto made = std::make_unique<MainPresenter>(home_.home(), dragon().platform(), home_.prompt,
                                                    home_.status, window_, loop);
        window_.presenter = made.get();
        return made;
    }
    // The simulated Dragon of the presenter made last.
    SimulatedDragon& dragon() { return *dragons_.back(); }

    testing::TestHome home_;
    testing::DragonInstall install_;
    testing::ScopedEnvironment environment_;
    NoWindow window_;
    std::vector<std::unique_ptr<SimulatedDragon>> dragons_;
};

} // namespace qmk
