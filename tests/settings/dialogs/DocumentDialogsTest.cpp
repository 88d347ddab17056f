// The document's side of both dialogs, with a host that runs the real dialogs (accepted or
// cancelled by a script) as the desktop program's host does.
#include <QRadioButton>

#include "settings/SettingsStore.h"
#include "settings/dialogs/CGeneralDlg.h"
#include "settings/dialogs/COptionsDlg.h"
#include "tests/app/DocFixture.h"
#include "tests/settings/dialogs/DialogFixture.h"

namespace tarnel::test {
namespace {

using dialogs::CQZPropertySheet;

class DialogHost : public RecordingHost {
public:
    std::function<void(QDialog&, CQZPropertySheet&)> script;

    ExportDialogResult RunExportConfiguration() override {
        if (!exportDialog_)
            exportDialog_.emplace(nullptr,
                                  dialogs::ExportSources{&WMCreateProfileManager, Compressors({})});
        WhenShown(*exportDialog_, [this] { script(*exportDialog_, exportDialog_->Sheet()); });
        const dialogs::ExportConfigurationResult result = exportDialog_->Run();
        return {result.accepted, result.formatChanged};
    }
    bool RunGeneralConfiguration() override {
        dialogs::CGeneralDlg dialog(nullptr, [] {});
        WhenShown(dialog, [this, &dialog] { script(dialog, dialog.Sheet()); });
        return dialog.Run();
    }

private:
    std::optional<dialogs::COptionsDlg> exportDialog_;  // kept across runs, as the document does
};

class DocumentDialogsTest : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        SettingsStore().EnsureDefaults();
        doc = std::make_unique<CvemoraDoc>(host, MarkerProbe,
                                           std::make_unique<ScriptedEngine>(engine));
        doc->AttachFrame(&frame);
        doc->AddView(&view);
        const std::string path = (workDir() / "a.wav").string();
        std::ofstream(path) << "audio:WAV:2\n";
        ASSERT_TRUE(doc->AddFile(path, FileStatus::Converted));
        view.Clear();
    }
    void TearDown() override {
        doc.reset();
        IsolatedTest::TearDown();
    }
    int Count(UpdateHint hint) const {
        return static_cast<int>(
            std::count_if(view.hints.begin(), view.hints.end(),
                          [hint](const SeenHint& h) { return h.hint == hint; }));
    }

    DialogHost host;
    RecordingFrame frame;
    RecordingView view;
    std::shared_ptr<ScriptedEngine::Shared> engine = std::make_shared<ScriptedEngine::Shared>();
    std::unique_ptr<CvemoraDoc> doc;
};

TEST_F(DocumentDialogsTest, AChangedFormatResetsStatusesOnceWithTheNotice) {
    host.script = [](QDialog& dialog, CQZPropertySheet& sheet) {
        Control<QRadioButton>(sheet, 0, "Ogg Files - Ogg-Vorbis Audio")->click();
        Press(dialog, QDialogButtonBox::Ok);
    };
    doc->ConfigureExport();
    Drain();
    EXPECT_EQ(Count(HINT_STATUS_RESET), 1);
    EXPECT_EQ(Count(HINT_SETTINGS), 1);
    EXPECT_EQ(frame.settingsChanged, 1) << "the side bar rebuilds its text";
    EXPECT_EQ(view.LogTexts(), std::vector<std::string>{"Export format has changed. Previous "
                                                        "conversion statuses have been reset."});
    EXPECT_TRUE(doc->IsModified());

    view.Clear();
    host.script = [](QDialog& dialog, CQZPropertySheet&) { Press(dialog, QDialogButtonBox::Ok); };
    doc->ConfigureExport();
    Drain();
    EXPECT_EQ(Count(HINT_STATUS_RESET), 0) << "an unchanged run keeps the statuses";
    EXPECT_EQ(frame.settingsChanged, 2);

    host.script = [](QDialog& dialog, CQZPropertySheet&) { dialog.reject(); };
    doc->ConfigureExport();
    doc->ConfigureGeneral();
    Drain();
    EXPECT_EQ(frame.settingsChanged, 2) << "cancelled dialogs change nothing";
}

TEST_F(DocumentDialogsTest, AcceptedGeneralOptionsReachTheViewsWithoutAReset) {
    host.script = [](QDialog& dialog, CQZPropertySheet& sheet) {
        Control<QRadioButton>(sheet, 0, "Append date and time to the end of the file's name")
            ->click();
        Press(dialog, QDialogButtonBox::Ok);
    };
    doc->ConfigureGeneral();
    Drain();
    EXPECT_EQ(Count(HINT_SETTINGS), 1);
    EXPECT_EQ(Count(HINT_STATUS_RESET), 0);
    EXPECT_EQ(frame.settingsChanged, 1);
    EXPECT_EQ(host.repaints, 1);
    int32_t naming = 0;
    EXPECT_TRUE(SettingsStore().ReadNamingStrategy(naming));
    EXPECT_EQ(naming, 1);
}

}  // namespace
}  // namespace tarnel::test
