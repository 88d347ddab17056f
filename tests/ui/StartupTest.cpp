#include <QTest>

#include <gtest/gtest.h>

#include "settings/SettingsStore.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"
#include "tests/ui/TestHost.h"
#include "tests/ui/WaitFor.h"
#include "ui/CMainFrame.h"
#include "ui/CvemoraApp.h"
#include "ui/SessionFileCommands.h"

namespace tarnel::ui {
namespace {

constexpr int64_t kNow = 1'800'000'000;
constexpr int64_t kDay = 86400;

class StartupTest : public test::IsolatedTest {
protected:
    // Starts the program's objects; the host is kept for the checks.
    std::unique_ptr<CvemoraApp> Start(const QStringList& arguments, bool* ok = nullptr) {
        auto app = std::make_unique<CvemoraApp>([this] {
            auto owned = std::make_unique<test::TestHost>();
            host = owned.get();
            return owned;
        });
        const bool started =
            app->InitInstance(QStringList{"tarnel-audio-converter"} + arguments, kNow);
        if (ok) *ok = started;
        return app;
    }
    void KnownUser(std::optional<int64_t> lastChecked) {
        SettingsStore store;
        store.EnsureDefaults();
        ASSERT_TRUE(store.MarkKnownUser());
        ASSERT_TRUE(store.WriteAutoUpdate(true));
        if (lastChecked) {
            ASSERT_TRUE(store.WriteLastChecked(static_cast<uint32_t>(*lastChecked)));
        }
    }

    test::TestHost* host = nullptr;
};

TEST_F(StartupTest, FirstStartMarksTheUserAndSchedulesNothing) {
    auto app = Start({});
    ASSERT_NE(app->Frame(), nullptr);
    EXPECT_TRUE(app->Frame()->isVisible());
    EXPECT_TRUE(SettingsStore().IsKnownUser());
    uint32_t lastChecked = 0;
    ASSERT_TRUE(SettingsStore().ReadLastChecked(lastChecked));
    EXPECT_EQ(lastChecked, static_cast<uint32_t>(kNow));
    EXPECT_EQ(app->Frame()->Updates(), nullptr);
    EXPECT_EQ(app->Frame()->Sessions().FileTitle(), "Untitled");
}

TEST_F(StartupTest, UpdateCheckAfterElevenDaysNotAfterTenAndResetFromTheFuture) {
    KnownUser(kNow - 11 * kDay);
    auto eleven = Start({});
    ASSERT_NE(eleven->Frame()->Updates(), nullptr);
    EXPECT_TRUE(eleven->Frame()->Updates()->scheduled());
    eleven.reset();

    KnownUser(kNow - 10 * kDay);
    EXPECT_EQ(Start({})->Frame()->Updates(), nullptr);

    KnownUser(kNow + 2 * kDay);
    EXPECT_EQ(Start({})->Frame()->Updates(), nullptr);
    uint32_t lastChecked = 0;
    ASSERT_TRUE(SettingsStore().ReadLastChecked(lastChecked));
    EXPECT_EQ(lastChecked, static_cast<uint32_t>(kNow));
}

TEST_F(StartupTest, SessionArgumentIsListedAndAnAudioFileIsRefused) {
    std::filesystem::create_directories(workDir());
    const auto wav = workDir() / "tone.wav";
    test::WriteWav(wav, test::MakeSine(44100, 2, 0.5, 440, 0.5));
    const std::string session = (workDir() / "list.qzconv").string();
    {
        auto app = Start({});
        ASSERT_TRUE(app->Frame()->Document().AddFile(wav.string(), FileStatus::Idle));
        ASSERT_TRUE(app->Frame()->Document().SaveSession(session));
    }

    auto app = Start({QString::fromStdString(session)});
    ASSERT_NE(app->Frame(), nullptr);
    EXPECT_EQ(app->Frame()->Sessions().FileTitle(), "list.qzconv");
    // The list view's first update adds the stored entries.
    EXPECT_TRUE(test::WaitFor([&] { return app->Frame()->Document().Entries().size() == 1; }));
    EXPECT_EQ(app->Frame()->Document().Entries()[0]->path, wav.string());
    EXPECT_FALSE(app->Frame()->Document().IsModified());
    app.reset();

    bool ok = true;
    app = Start({QString::fromStdString(wav.string())}, &ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(host->messages.size(), 1u);
    EXPECT_EQ(
        host->messages[0],
        "Failed to load the saved converter settings project file.The file format is invalid.");

    Start({"a", "b"}, &ok);
    EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace tarnel::ui
