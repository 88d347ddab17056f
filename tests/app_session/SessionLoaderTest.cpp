// The session load loop: stored ticks against "Check items when added", events dispatched
// between entries, the handshake with the view, and commands that arrive mid-load.
#include <QObject>

#include "app/SessionLoader.h"
#include "settings/SettingsStore.h"
#include "tests/app_session/SessionFixture.h"

namespace tarnel::test {
namespace {

using SessionLoad = SessionFixture;

TEST_F(SessionLoad, StoredTickWinsOverCheckItemsWhenAdded) {
    ASSERT_TRUE(SettingsStore().WriteCheckItemsWhenAdded(true));
    doc->UpdateAllViews(HINT_SETTINGS);
    ASSERT_TRUE(rows->TickNewRows());
    const std::string a = Source("a.wav");
    const std::string b = Source("b.wav");
    const std::string gone = (workDir() / "gone.wav").string();
    const std::string path = WriteSession("s.qzconv", {{a, FileStatus::Idle, false},
                                                       {gone, FileStatus::Idle, true},
                                                       {b, FileStatus::Idle, true}});
    std::vector<std::pair<std::string, bool>> done;
    rows->SetEntryDone([&](const PendingEntry& pending, bool listed) {
        done.emplace_back(pending.entry->path, listed);
    });

    EXPECT_TRUE(OpenAndLoad(path));
    EXPECT_EQ(CheckedPaths(), (std::vector<std::string>{b}));
    EXPECT_EQ(rows->TickedRows().size(), 1u);
    EXPECT_EQ(done,
              (std::vector<std::pair<std::string, bool>>{{a, true}, {gone, false}, {b, true}}));
    EXPECT_FALSE(doc->IsModified());

    // After the load, new rows follow the setting again.
    EXPECT_EQ(rows->TickMode(), RowTickMode::FollowSetting);
    const std::string c = Source("c.wav");
    ASSERT_TRUE(doc->AddFile(c, FileStatus::Idle));
    EXPECT_EQ(CheckedPaths(), (std::vector<std::string>{b, c}));
}

TEST_F(SessionLoad, EventsAreDispatchedBetweenEntries) {
    std::vector<std::string> trace;
    QObject context;
    auto probe = [&](const std::string& path) {
        const std::string name = std::filesystem::path(path).filename().string();
        trace.push_back("probe " + name);
        QMetaObject::invokeMethod(
            &context, [&trace, name] { trace.push_back("event " + name); }, Qt::QueuedConnection);
        return MarkerProbe(path);
    };
    CvemoraDoc probing(
        host, probe, std::make_unique<ScriptedEngine>(std::make_shared<ScriptedEngine::Shared>()));
    SessionTickingView probingRows(probing);
    const std::string path = WriteSession("s.qzconv", {{Source("a.wav"), FileStatus::Idle, true},
                                                       {Source("b.wav"), FileStatus::Idle, false},
                                                       {Source("c.wav"), FileStatus::Idle, true}});
    ASSERT_TRUE(probing.OpenSession(path));
    Drain();
    EXPECT_EQ(trace, (std::vector<std::string>{"probe a.wav", "event a.wav", "probe b.wav",
                                               "event b.wav", "probe c.wav", "event c.wav"}));
    EXPECT_EQ(probing.Entries().size(), 3u);
}

TEST_F(SessionLoad, CheckItemsWhenAddedIsWrittenBackOnlyAsItWasRead) {
    const std::string path = WriteSession("s.qzconv", {{Source("a.wav"), FileStatus::Idle, true}});
    // Missing before the load: still missing after it, not stored as off.
    EXPECT_TRUE(OpenAndLoad(path));
    bool on = true;
    EXPECT_FALSE(SettingsStore().ReadCheckItemsWhenAdded(on));

    // Changed by the general configuration during the load: the new value stands.
    ASSERT_TRUE(SettingsStore().WriteCheckItemsWhenAdded(true));
    QObject context;
    CvemoraDoc changing(
        host,
        [&](const std::string& file) {
            QMetaObject::invokeMethod(
                &context, [] { (void)SettingsStore().WriteCheckItemsWhenAdded(false); },
                Qt::QueuedConnection);
            return MarkerProbe(file);
        },
        std::make_unique<ScriptedEngine>(std::make_shared<ScriptedEngine::Shared>()));
    SessionTickingView changingRows(changing);
    ASSERT_TRUE(changing.OpenSession(path));
    Drain();
    ASSERT_TRUE(SettingsStore().ReadCheckItemsWhenAdded(on));
    EXPECT_FALSE(on);

    // Unchanged: the value read is the value left.
    ASSERT_TRUE(SettingsStore().WriteCheckItemsWhenAdded(true));
    EXPECT_TRUE(OpenAndLoad(path));
    ASSERT_TRUE(SettingsStore().ReadCheckItemsWhenAdded(on));
    EXPECT_TRUE(on);
}

// A view that inserts its rows later, in a queued call, or never.
class DeferredRowsView : public DocumentView, public SessionLoadView {
public:
    explicit DeferredRowsView(CvemoraDoc& doc, bool answers) : doc_(doc), answers_(answers) {
        doc_.AddView(this);
        doc_.AttachLoadView(this);
    }
    ~DeferredRowsView() override {
        doc_.AttachLoadView(nullptr);
        doc_.RemoveView(this);
    }
    void OnUpdate(CvemoraDoc&, UpdateHint hint, const HintArgument&) override {
        if (hint != HINT_ENTRY_ADDED || !answers_) return;
        QMetaObject::invokeMethod(
            &context_, [this] { rowAdded_ = true; }, Qt::QueuedConnection);
    }
    void OnLoadPending() override {
        SessionLoader loader(doc_, *this);
        loader.SetRowWaitMilliseconds(answers_ ? 5000 : 30);
        listed = loader.Run();
    }
    void SetRowTickMode(RowTickMode) override {}
    void ResetRowAdded() override { rowAdded_ = false; }
    bool RowAdded() const override { return rowAdded_; }
    void AfterPendingEntry() override { rowSeenAfterEntry.push_back(rowAdded_); }

    std::vector<bool> rowSeenAfterEntry;
    int listed = -1;

private:
    CvemoraDoc& doc_;
    const bool answers_;
    QObject context_;
    bool rowAdded_ = false;
};

TEST_F(SessionLoad, LoopWaitsForTheViewToInsertEachRow) {
    rows.reset();
    const std::string path = WriteSession("s.qzconv", {{Source("a.wav"), FileStatus::Idle, true},
                                                       {Source("b.wav"), FileStatus::Idle, true}});
    {
        DeferredRowsView deferred(*doc, true);
        EXPECT_TRUE(OpenAndLoad(path));
        EXPECT_EQ(deferred.listed, 2);
        EXPECT_EQ(deferred.rowSeenAfterEntry, (std::vector<bool>{true, true}));
    }
    {
        // A view that never answers slows the load down but cannot stall it.
        DeferredRowsView silent(*doc, false);
        EXPECT_TRUE(OpenAndLoad(path));
        EXPECT_EQ(silent.listed, 2);
        EXPECT_EQ(silent.rowSeenAfterEntry, (std::vector<bool>{false, false}));
        EXPECT_EQ(doc->Entries().size(), 2u);
    }
}

TEST_F(SessionLoad, LoadPendingArrivingMidLoadKeepsTheOrder) {
    // A second WM_LOAD_PENDING (as the view posts when it is first shown) dispatched while the
    // first entry is being added runs a nested loop over the rest.
    QObject context;
    bool posted = false;
    rows->SetEntryDone([&](const PendingEntry&, bool) {
        if (posted) return;
        posted = true;
        QMetaObject::invokeMethod(
            &context, [this] { rows->OnLoadPending(); }, Qt::QueuedConnection);
    });
    const std::string a = Source("a.wav"), b = Source("b.wav"), c = Source("c.wav");
    const std::string path = WriteSession(
        "s.qzconv",
        {{a, FileStatus::Idle, true}, {b, FileStatus::Idle, false}, {c, FileStatus::Idle, true}});
    EXPECT_TRUE(OpenAndLoad(path));
    EXPECT_EQ(rows->LoadsRun(), 2);
    EXPECT_EQ(EntryPaths(), (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(CheckedPaths(), (std::vector<std::string>{a, c}));
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(SessionLoad, NewSessionMidLoadEndsTheLoad) {
    QObject context;
    bool posted = false;
    rows->SetEntryDone([&](const PendingEntry&, bool) {
        if (posted) return;
        posted = true;
        QMetaObject::invokeMethod(
            &context, [this] { doc->NewDocument(); }, Qt::QueuedConnection);
    });
    const std::string path = WriteSession("s.qzconv", {{Source("a.wav"), FileStatus::Idle, true},
                                                       {Source("b.wav"), FileStatus::Idle, true},
                                                       {Source("c.wav"), FileStatus::Idle, true}});
    EXPECT_TRUE(OpenAndLoad(path));
    EXPECT_TRUE(doc->Entries().empty());
    EXPECT_TRUE(doc->CheckedEntries().empty());
    EXPECT_TRUE(rows->TickedRows().empty());
    EXPECT_TRUE(doc->PendingLoad().empty());
    EXPECT_FALSE(doc->IsModified());
}

}  // namespace
}  // namespace tarnel::test
