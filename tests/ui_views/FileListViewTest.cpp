// The file list over the real document: ticks, the session load, sorting, the row progress,
// drops, the context menu, the commands' enable rules and the name setting.
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "tests/ui_views/ViewsFixture.h"
#include "ui/CommandIds.h"

namespace tarnel::test {
namespace {

using FileList = ViewsFixture;
using namespace tarnel::ui;

TEST_F(FileList, TicksOnAddFollowTheSettingAndTheStoredTickWinsDuringALoad) {
    MakeViews();
    Add("a.wav");
    Add("b.wav");
    EXPECT_TRUE(Ticked(0));
    EXPECT_TRUE(Ticked(1));
    EXPECT_EQ(doc->CheckedEntries().size(), 2u);
    // The first tick logs the ready notice once.
    EXPECT_EQ(LogMessages().count("File(s) selected for conversion. Converter is ready."), 1);

    SettingsStore().WriteCheckItemsWhenAdded(false);
    doc->UpdateAllViews(HINT_SETTINGS);
    Add("c.wav");
    EXPECT_FALSE(Ticked(2));
    EXPECT_EQ(doc->CheckedEntries().size(), 2u);

    // A session: a ticked, b unticked (after a click on its box), c unticked. With the setting
    // on again, the stored ticks still decide.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->Model().index(1, 0)).topLeft() + QPoint(5, 5));
    EXPECT_FALSE(Ticked(1));
    SettingsStore().WriteCheckItemsWhenAdded(true);
    doc->UpdateAllViews(HINT_SETTINGS);
    const std::string session = (workDir() / "s.qzconv").string();
    ASSERT_TRUE(doc->SaveSession(session));
    ASSERT_TRUE(doc->OpenSession(session));
    EXPECT_EQ(list->Model().rowCount(), 0);
    ASSERT_TRUE(PumpUntil([&] { return list->Model().rowCount() == 3; }));
    Drain();
    EXPECT_TRUE(Ticked(0));
    EXPECT_FALSE(Ticked(1));
    EXPECT_FALSE(Ticked(2));
    EXPECT_EQ(list->TickMode(), RowTickMode::FollowSetting);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(host.waitCursorDepth, 0);
    EXPECT_GT(host.waitCursorShown, 0);
}

TEST_F(FileList, HeaderClicksSortEachColumnAndFlipOnTheSecondClick) {
    MakeViews();
    Add("b.wav", "WAV", 60);
    Add("a.mp3", "MP3", 3725);
    Add("c.ogg", "OGG", 5);
    doc->FindEntry((workDir() / "a.mp3").string())->status = FileStatus::Error;
    const auto names = [&] {
        return Column(0).replaceInStrings(QString::fromStdString(workDir().string() + "/"), "");
    };
    struct Case {
        int column;
        QStringList first, second;
    };
    // The name column starts from the last path; the others from the smallest value.
    const Case cases[] = {{0, {"c.ogg", "b.wav", "a.mp3"}, {"a.mp3", "b.wav", "c.ogg"}},
                          {1, {"a.mp3", "c.ogg", "b.wav"}, {"b.wav", "c.ogg", "a.mp3"}},
                          {2, {"c.ogg", "b.wav", "a.mp3"}, {"a.mp3", "b.wav", "c.ogg"}},
                          {3, {"b.wav", "c.ogg", "a.mp3"}, {"a.mp3", "b.wav", "c.ogg"}}};
    for (const Case& c : cases) {
        list->OnHeaderClick(c.column);
        EXPECT_EQ(names(), c.first) << "column " << c.column;
        list->OnHeaderClick(c.column);
        EXPECT_EQ(names(), c.second) << "column " << c.column;
    }
    EXPECT_EQ(Column(2), (QStringList{"01:02:05", "01:00", "00:05"}));
}

TEST_F(FileList, RowProgressFollowsItsEntryAndHeadersDoNotSortDuringARun) {
    MakeViews();
    const std::string a = Add("a.wav"), b = Add("b.wav");
    doc->StartOrContinueRun();
    const AudioDataPtr first = doc->ConvertingEntry();
    ASSERT_TRUE(first);
    EXPECT_EQ(Cell(0, 3), "Converting");
    EXPECT_TRUE(list->ProgressShown());
    list->OnHeaderClick(0);
    EXPECT_EQ(Column(0), (QStringList{QString::fromStdString(a), QString::fromStdString(b)}));

    first->progress = 37;
    doc->UpdateAllViews(HINT_ENTRY_PROGRESS, {first, 0});
    ASSERT_TRUE(list->RowProgress(first.get()));
    EXPECT_EQ(list->RowProgress(first.get())->text, "Converting: 37%");
    // Position 0 keeps the text; another entry has no bar.
    first->progress = 0;
    doc->UpdateAllViews(HINT_ENTRY_PROGRESS, {first, 0});
    EXPECT_EQ(list->RowProgress(first.get())->text, "Converting: 37%");
    EXPECT_FALSE(list->SetRowProgress(doc->FindEntry(b), 50));

    RaiseEvent(*engine, kEventComplete);
    Drain();
    EXPECT_EQ(list->RowProgress(first.get()), nullptr);  // gone on Converted
    EXPECT_EQ(Cell(0, 3), "Converted");
    ASSERT_EQ(list->RowProgressCount(), 1u);  // the second file's
    RaiseEvent(*engine, kEventComplete);
    Drain();
    EXPECT_EQ(list->RowProgressCount(), 0u);
    EXPECT_FALSE(list->ProgressShown());  // the frame cleared it at the run's end
    list->OnHeaderClick(0);
    EXPECT_EQ(Column(0), (QStringList{QString::fromStdString(b), QString::fromStdString(a)}));
}

TEST_F(FileList, DropsAddOnlyAudioFilesAndDeclineALoneSessionFile) {
    MakeViews();
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    const std::string mp3 = Source("x.MP3", "MP3"), text = Source("notes.txt");
    const std::string session = Source("s.qzconv");
    auto drop = [&](const std::vector<std::string>& paths, QMimeData& mime) {
        QList<QUrl> urls;
        for (const auto& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
        if (!paths.empty()) mime.setUrls(urls);
        const QPoint at = list->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(list->viewport(), &enter);
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(list->viewport(), &dropped);
        Drain();
        return std::make_pair(enter.isAccepted(), dropped.isAccepted());
    };
    QMimeData alone, plain, both;
    EXPECT_EQ(drop({session}, alone), std::make_pair(true, false));
    plain.setText("not a file list");
    EXPECT_EQ(drop({}, plain), std::make_pair(false, false));
    EXPECT_EQ(list->Model().rowCount(), 0);
    EXPECT_EQ(drop({session, mp3, text}, both), std::make_pair(true, true));
    EXPECT_EQ(Column(0), QStringList{QString::fromStdString(mp3)});
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(FileList, ContextMenuOnlyOnASelectedRowAndRemoveConvertedEnableState) {
    MakeViews();
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    Add("a.wav");
    Add("b.wav");
    const QPoint row0 = list->visualRect(list->Model().index(0, 2)).center();
    const QPoint row1 = list->visualRect(list->Model().index(1, 2)).center();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row1);
    EXPECT_EQ(list->OpenContextMenu(), nullptr);  // nothing selected
    list->selectRow(0);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row1);
    EXPECT_EQ(list->OpenContextMenu(), nullptr);  // an unselected row
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row0);
    ASSERT_NE(list->OpenContextMenu(), nullptr);
    EXPECT_EQ(list->OpenContextMenu()->actions().size(), 4);
    list->OpenContextMenu()->close();

    EXPECT_EQ(list->OnUpdateCommand(ID_EDIT_REMOVE_CONVERTED), false);
    EXPECT_EQ(list->OnUpdateCommand(ID_EDIT_SELECT_ALL), false);  // all ticked
    list->OnCommand(ID_UNCHECK_SELECTION);
    EXPECT_EQ(list->OnUpdateCommand(ID_EDIT_SELECT_ALL), true);
    ConvertAll();  // converts b only
    EXPECT_EQ(Column(3), (QStringList{"Idle", "Converted"}));
    EXPECT_EQ(list->OnUpdateCommand(ID_EDIT_REMOVE_CONVERTED), true);
    EXPECT_EQ(list->OnUpdateCommand(ID_EDIT_RESET_CONVERTED), true);
    EXPECT_TRUE(list->OnCommand(ID_EDIT_REMOVE_CONVERTED));
    EXPECT_EQ(list->Model().rowCount(), 1);
    EXPECT_EQ(doc->Entries().size(), 1u);
    EXPECT_EQ(list->OnUpdateCommand(ID_EDIT_REMOVE_CONVERTED), false);
    EXPECT_EQ(list->OnUpdateCommand(ID_EDIT_RESET_CONVERTED), false);
}

TEST_F(FileList, ShowingFileNamesOnlyAppliesAtOnce) {
    MakeViews();
    const std::string a = Add("a.wav");
    EXPECT_EQ(Cell(0, 0), QString::fromStdString(a));
    SettingsStore().WriteShowFqpn(true);
    host.generalAnswer = true;
    doc->ConfigureGeneral();
    EXPECT_EQ(Cell(0, 0), "a.wav");
}

}  // namespace
}  // namespace tarnel::test
