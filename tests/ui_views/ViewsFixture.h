#pragma once
// Both views over a real document with a recording host and frame, a scripted engine and the
// marker probe of the document tests. The frame clears the row bars at the end of a run, as
// the main frame does.
#include <QStringList>

#include <memory>

#include "settings/SettingsStore.h"
#include "tests/app/DocFixture.h"
#include "ui/CLeftView.h"
#include "ui/CvemoraView.h"

namespace tarnel::test {

class ViewsFixture : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        SettingsStore store;
        store.WriteFormat(203);
        store.WriteCheckItemsWhenAdded(true);
        store.WriteSoundAlerts(true);
        engine = std::make_shared<ScriptedEngine::Shared>();
        doc = std::make_unique<CvemoraDoc>(host, MarkerProbe,
                                           std::make_unique<ScriptedEngine>(engine));
        doc->AttachFrame(&frame);
    }
    // Views read their settings when they are made, so tests write settings first.
    void MakeViews() {
        list = std::make_unique<ui::CvemoraView>(*doc);
        log = std::make_unique<ui::CLeftView>(*doc);
        doc->AddView(list.get());
        doc->AddView(log.get());
        doc->AttachLoadView(list.get());
        list->resize(800, 400);
        frame.onProgress = [this](int n, int total) {
            if (n == 0 && total == 0) list->ClearRowProgress();
        };
    }
    void TearDown() override {
        if (doc && list) {
            doc->AttachLoadView(nullptr);
            doc->RemoveView(list.get());
            doc->RemoveView(log.get());
        }
        list.reset();
        log.reset();
        doc.reset();
        IsolatedTest::TearDown();
    }

    std::string Source(const std::string& name, const std::string& format = "WAV",
                       double seconds = 3.5) {
        const std::string path = (workDir() / name).string();
        std::ofstream(path) << "audio:" << format << ":" << seconds << "\n";
        return path;
    }
    std::string Add(const std::string& name, const std::string& format = "WAV",
                    double seconds = 3.5) {
        const std::string path = Source(name, format, seconds);
        EXPECT_TRUE(doc->AddFile(path, FileStatus::Idle));
        return path;
    }
    QString Cell(int row, int column) const {
        return list->Model().index(row, column).data().toString();
    }
    QStringList Column(int column) const {
        QStringList texts;
        for (int row = 0; row < list->Model().rowCount(); ++row) texts << Cell(row, column);
        return texts;
    }
    bool Ticked(int row) const { return list->Model().Row(row).ticked; }
    QStringList LogMessages() const {
        QStringList texts;
        for (const auto& row : log->Model().Rows()) texts << row.message;
        return texts;
    }
    int Sounds(int id) const {
        return static_cast<int>(std::count(host.sounds.begin(), host.sounds.end(), id));
    }
    // Converts the ticked files; the last one ends with `lastEvent`.
    void ConvertAll(int32_t lastEvent = kEventComplete) {
        doc->StartOrContinueRun();
        for (int guard = 0; doc->ConvertingEntry() && guard < 100; ++guard) {
            RaiseEvent(*engine, doc->CountRemaining() == 1 ? lastEvent : kEventComplete);
            Drain();
        }
        Drain();
    }

    RecordingHost host;
    RecordingFrame frame;
    std::shared_ptr<ScriptedEngine::Shared> engine;
    std::unique_ptr<CvemoraDoc> doc;
    std::unique_ptr<ui::CvemoraView> list;
    std::unique_ptr<ui::CLeftView> log;
};

}  // namespace tarnel::test
