#include <QAction>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/SettingsStore.h"
#include "tests/support/IsolatedTest.h"
#include "tests/ui/TestHost.h"
#include "tests/ui/WaitFor.h"
#include "ui/CCoolBar.h"
#include "ui/CCoolBar2.h"
#include "ui/CMainFrame.h"
#include "ui/CProgStatusBar.h"
#include "ui/CommandIds.h"
#include "ui/SessionFileCommands.h"
#include "ui/WindowPlacement.h"

namespace tarnel::ui {
namespace {

using test::TestHost;

class FrameTest : public test::IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        auto owned = std::make_unique<TestHost>();
        host = owned.get();
        frame = std::make_unique<CMainFrame>(std::move(owned));
    }
    void TearDown() override {
        frame.reset();
        IsolatedTest::TearDown();
    }
    bool ButtonEnabled(int id) {
        return frame->ToolBar().widgetForAction(frame->Action(id))->isEnabled();
    }

    TestHost* host = nullptr;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(FrameTest, ToolBarFollowsTheRunAndIdlePatternsAtTheNextIdle) {
    QStringList labels;
    int separators = 0;
    for (QAction* action : frame->ToolBar().actions()) {
        if (action->isSeparator()) {
            ++separators;
        } else {
            labels << action->iconText();
        }
    }
    EXPECT_EQ(labels, QStringList({"New", "Open", "Save", "Add", "Convert", "Cancel", "Play",
                                   "Pause", "Stop", "Settings", "Help"}));
    EXPECT_EQ(separators, 4);

    // Nobody calls the update: the idle processing of the event loop must pick the flags up.
    frame->Flags().SetRunPattern();
    EXPECT_TRUE(test::WaitFor([&] { return ButtonEnabled(ID_CANCEL); }));
    EXPECT_FALSE(ButtonEnabled(ID_CONVERT));
    EXPECT_FALSE(ButtonEnabled(ID_ADD_FILES));
    EXPECT_FALSE(ButtonEnabled(ID_SETTINGS));
    EXPECT_FALSE(frame->Action(ID_ADD_FILES_MENU)->isEnabled());
    EXPECT_FALSE(frame->Action(ID_EXPORT_CONFIGURATION)->isEnabled());

    frame->Flags().SetIdlePattern();
    EXPECT_TRUE(test::WaitFor([&] { return ButtonEnabled(ID_CONVERT); }));
    EXPECT_TRUE(ButtonEnabled(ID_ADD_FILES));
    EXPECT_TRUE(ButtonEnabled(ID_SETTINGS));
    EXPECT_FALSE(ButtonEnabled(ID_CANCEL));
}

TEST_F(FrameTest, SettingsBodyDoesNothingAndItsArrowOpensTheConfigurations) {
    int exportRuns = 0, generalRuns = 0;
    host->SetDialogRunners({[&](QWidget*) {
                                ++exportRuns;
                                (void)SettingsStore().WriteFormat(203);
                                return ExportDialogResult{true, true};
                            },
                            [&](QWidget*) {
                                ++generalRuns;
                                return false;
                            }});
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    auto* button =
        qobject_cast<QToolButton*>(frame->ToolBar().widgetForAction(frame->Action(ID_SETTINGS)));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->popupMode(), QToolButton::MenuButtonPopup);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(exportRuns + generalRuns, 0);

    const QList<QAction*> items = frame->SettingsMenu().actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "Export Configuration");
    EXPECT_EQ(items[1]->text(), "General Configuration");
    items[1]->trigger();
    EXPECT_EQ(generalRuns, 1);
    // An accepted export dialog rebuilds the side bar through WM_GENERAL_SETTINGS_CHANGED.
    EXPECT_TRUE(frame->SideBar().SummaryText().startsWith("Format: MPEG Layer III"));
    items[0]->trigger();
    EXPECT_EQ(exportRuns, 1);
    EXPECT_TRUE(test::WaitFor(
        [&] { return frame->SideBar().SummaryText().startsWith("Format: Microsoft WAV"); }));
}

TEST_F(FrameTest, PlacementRoundTripsAndAnOffScreenOneIsIgnored) {
    frame->setGeometry(100, 120, 900, 600);
    frame->StorePlacement();
    std::string stored;
    ASSERT_TRUE(SettingsStore().ReadMainWindow(stored));
    const auto placement = ParseWindowPlacement(stored);
    ASSERT_TRUE(placement);
    // left, RIGHT, TOP, bottom.
    EXPECT_EQ(stored.substr(stored.find(",100,")), ",100,1000,120,720");
    EXPECT_EQ(placement->NormalRect(), QRect(100, 120, 900, 600));

    CMainFrame restored(std::make_unique<TestHost>());
    restored.RestorePlacement();
    EXPECT_EQ(restored.geometry(), QRect(100, 120, 900, 600));

    const QRect defaultGeometry = CMainFrame(std::make_unique<TestHost>()).geometry();
    for (const char* bad : {"1,0,-1,-1,-1,-1,5000,5600,100,500", "1,0,-1,-1,-1,-1,10,900,20",
                            "1,0,-1,-1,-1,-1,10,900,20,x", "1,0,-1,-1,-1,-1,900,10,20,700"}) {
        ASSERT_TRUE(SettingsStore().WriteMainWindow(bad));
        CMainFrame fallback(std::make_unique<TestHost>());
        fallback.RestorePlacement();
        EXPECT_EQ(fallback.geometry().size(), defaultGeometry.size()) << bad;
        EXPECT_NE(fallback.geometry().x(), 5000) << bad;
    }
}

TEST_F(FrameTest, VolumeSliderWritesPlaybackVol) {
    QSlider& slider = frame->VolumeBar().Slider();
    EXPECT_EQ(slider.maximum(), 1000);
    slider.setValue(400);
    slider.triggerAction(QAbstractSlider::SliderPageStepAdd);
    int32_t stored = 0;
    ASSERT_TRUE(SettingsStore().ReadPlaybackVolume(stored));
    EXPECT_EQ(stored, 500);
}

TEST_F(FrameTest, StatusBarShowsTheRunAndTheEndPlaysTheRunSound) {
    int runsEnded = 0;
    frame->onRunEnded = [&] { ++runsEnded; };
    CProgStatusBar& bar = frame->ProgressBar();
    frame->show();
    frame->OnConversionProgress(3, 8);
    EXPECT_EQ(bar.PaneText(), "Processing file 3 of 8 ...");
    EXPECT_TRUE(bar.Progress().isVisible());
    EXPECT_EQ(bar.Progress().GetPos(), 37);
    frame->OnConversionProgress(1, 200);  // 0 % of the files done, but one is converting
    EXPECT_TRUE(bar.Progress().isVisible());
    EXPECT_EQ(bar.PaneText(), "Processing file 1 of 200 ...");
    EXPECT_EQ(runsEnded, 0);

    frame->OnConversionProgress(0, 0);
    EXPECT_FALSE(bar.Progress().isVisible());
    EXPECT_EQ(bar.PaneText(), kIdleMessage);
    EXPECT_EQ(runsEnded, 1);
    // Sound 190 through SDL's dummy driver, played to its end on the worker.
    EXPECT_TRUE(test::WaitFor([&] { return host->Sounds().PlayedCount() == 1; }, 10000));

    // The dummy driver has a single device: once the sound is over, a preview must get it.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0);
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = [](void*, Uint8* stream, int length) { SDL_memset(stream, 0, length); };
    SDL_AudioDeviceID preview = 0;
    EXPECT_TRUE(test::WaitFor(
        [&] {
            preview = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
            return preview != 0;
        },
        2000))
        << SDL_GetError();
    if (preview != 0) SDL_CloseAudioDevice(preview);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

TEST_F(FrameTest, SavePromptAnswersAndTheModifiedTitle) {
    SessionFileCommands& sessions = frame->Sessions();
    CvemoraDoc& doc = frame->Document();
    doc.SetModifiedFlag(true);
    EXPECT_TRUE(test::WaitFor(
        [&] { return frame->windowTitle() == "Untitled* - Tarnel Audio Converter"; }));

    host->answer = QtDocumentHost::SaveAnswer::Cancel;
    EXPECT_FALSE(sessions.NewSession());
    EXPECT_TRUE(doc.IsModified());
    frame->show();
    EXPECT_FALSE(frame->close()) << "Cancel keeps the window open";
    EXPECT_TRUE(frame->isVisible());

    host->answer = QtDocumentHost::SaveAnswer::Yes;
    sessions.chooseSavePath = [](const std::string&) { return std::nullopt; };
    EXPECT_FALSE(sessions.NewSession()) << "a cancelled Save As cancels the New";
    EXPECT_TRUE(doc.IsModified());
    const std::string path = (workDir() / "mine").string();
    std::filesystem::create_directories(workDir());
    sessions.chooseSavePath = [&](const std::string& suggestion) {
        EXPECT_EQ(suggestion, "Untitled.qzconv");
        return std::optional<std::string>(path);
    };
    EXPECT_TRUE(sessions.NewSession());
    EXPECT_TRUE(std::filesystem::exists(path + ".qzconv"));
    EXPECT_EQ(sessions.Recent().Files().front(), path + ".qzconv");
    EXPECT_EQ(host->prompts, std::vector<std::string>(4, "Untitled"));

    doc.SetModifiedFlag(true);
    host->answer = QtDocumentHost::SaveAnswer::No;
    EXPECT_TRUE(sessions.OpenSession(path + ".qzconv"));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(test::WaitFor(
        [&] { return frame->windowTitle() == "mine.qzconv - Tarnel Audio Converter"; }));
    EXPECT_TRUE(frame->close());
}

}  // namespace
}  // namespace tarnel::ui
