// The log window over the real document: depth, level, the reset-notice rule, the sound rules,
// settings changes and Clear All.
#include "app/DocumentTexts.h"
#include "tests/ui_views/ViewsFixture.h"
#include "ui/CommandIds.h"

namespace tarnel::test {
namespace {

using LogWindow = ViewsFixture;

TEST_F(LogWindow, DepthKeepsTheNewestOnTopAndSettingsTrimAtOnce) {
    SettingsStore().WriteLoggingDepth(5);
    MakeViews();
    // A stored depth below 10 is raised and written back.
    EXPECT_EQ(log->Depth(), 10u);
    int32_t stored = 0;
    ASSERT_TRUE(SettingsStore().ReadLoggingDepth(stored));
    EXPECT_EQ(stored, 10);
    for (int i = 1; i <= 11; ++i) doc->PostLog("m" + std::to_string(i), false, LOG_NOTICE, -1);
    ASSERT_EQ(log->Model().rowCount(), 10);
    EXPECT_EQ(LogMessages().front(), "m11");
    EXPECT_EQ(LogMessages().back(), "m2");

    SettingsStore().WriteLoggingDepth(100);
    doc->UpdateAllViews(HINT_SETTINGS);
    for (int i = 12; i <= 40; ++i) doc->PostLog("m" + std::to_string(i), false, LOG_NOTICE, -1);
    EXPECT_EQ(log->Model().rowCount(), 39);
    SettingsStore().WriteLoggingDepth(10);
    doc->UpdateAllViews(HINT_SETTINGS);
    ASSERT_EQ(log->Model().rowCount(), 10);
    EXPECT_EQ(LogMessages().front(), "m40");
    EXPECT_EQ(LogMessages().back(), "m31");

    // Clear All, then new rows still sort newest first.
    EXPECT_TRUE(log->OnCommand(ui::ID_LOG_CLEAR_ALL));
    EXPECT_EQ(log->Model().rowCount(), 0);
    doc->PostLog("after1", false, LOG_NOTICE, -1);
    doc->PostLog("after2", false, LOG_NOTICE, -1);
    EXPECT_EQ(LogMessages(), (QStringList{"after2", "after1"}));
    EXPECT_EQ(log->Model().Rows().front().sequence, 1002);
}

TEST_F(LogWindow, LevelMinimalAndTheSoundRules) {
    SettingsStore().WriteLoggingLevel(2);
    MakeViews();
    doc->PostLog("File conversion cancelled!", false, LOG_CANCELLED, -1);
    doc->PostLog("Currently, no files are selected for conversion.", false, LOG_SELECTION, -1);
    doc->PostLog("broken", true, LOG_ERROR, 27866);
    ASSERT_EQ(LogMessages(), QStringList{"broken"});
    EXPECT_EQ(log->Model().index(0, 1).data().toString(), "Error code: 27866");
    EXPECT_FALSE(log->Model().index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    // The hidden cancellation alerts, the selection notice does not.
    EXPECT_EQ(Sounds(kSoundLogAlert), 2);

    SettingsStore().WriteSoundAlerts(false);
    doc->PostLog("quiet", true, LOG_ERROR, 1);
    EXPECT_EQ(Sounds(kSoundLogAlert), 2);
    // Records with no text are never shown.
    doc->PostLog("", true, LOG_ERROR, 2);
    EXPECT_EQ(log->Model().rowCount(), 2);
}

TEST_F(LogWindow, ResetNoticeOnlyAfterASuccessfulLastFile) {
    MakeViews();
    const std::string formatChanged = std::string(texts::kFormatChanged);
    host.exportAnswer = {true, true};
    Add("a.wav");
    Add("b.wav");
    ConvertAll();
    host.sounds.clear();
    doc->ConfigureExport();
    EXPECT_EQ(LogMessages().count(QString::fromStdString(formatChanged)), 1);
    EXPECT_EQ(Sounds(kSoundLogAlert), 1);
    // A second time without a new conversion: dropped without sound.
    doc->ConfigureExport();
    EXPECT_EQ(LogMessages().count(QString::fromStdString(formatChanged)), 1);
    EXPECT_EQ(Sounds(kSoundLogAlert), 1);
    // After a run whose last file failed: dropped too.
    ConvertAll(kEventErrorAbort);
    EXPECT_FALSE(log->ConvertedSeen());
    doc->ConfigureExport();
    EXPECT_EQ(LogMessages().count(QString::fromStdString(formatChanged)), 1);
    EXPECT_EQ(doc->PendingLogCount(), 0u);
}

}  // namespace
}  // namespace tarnel::test
