// The export configuration dialog over a private settings file.
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "settings/SettingsStore.h"
#include "settings/dialogs/COptionsDlg.h"
#include "settings/dialogs/CTabPage3.h"
#include "tests/settings/dialogs/DialogFixture.h"

namespace tarnel::test {
namespace {

using dialogs::COptionsDlg;
using dialogs::CQZPropertySheet;

class ExportDialogTest : public IsolatedTest {
protected:
    // Runs the dialog with a script; the result of the run.
    dialogs::ExportConfigurationResult RunWith(std::function<void(CQZPropertySheet&)> script) {
        WhenShown(dialog, [this, script] { script(dialog.Sheet()); });
        return dialog.Run();
    }
    void Accept() { Press(dialog, QDialogButtonBox::Ok); }

    COptionsDlg dialog{nullptr,
                       {&WMCreateProfileManager,
                        Compressors({"Vorbis Encoder", "IMA ADPCM", "IAC2", "GSM 6.10"})}};
};

TEST_F(ExportDialogTest, UntouchedOkStoresOnlyFormatAndAChosenFormatCountsOnce) {
    SettingsStore store;
    auto result = RunWith([this](CQZPropertySheet& sheet) {
        EXPECT_EQ(sheet.count(), 2);
        EXPECT_EQ(sheet.tabText(0), "Audio Format");
        EXPECT_EQ(sheet.tabText(1), "WMA Settings");
        Accept();
    });
    EXPECT_TRUE(result.accepted);
    EXPECT_FALSE(result.formatChanged);
    int32_t format = 0;
    EXPECT_TRUE(store.ReadFormat(format));
    EXPECT_EQ(format, 200);
    WmaSettings wma;
    EXPECT_FALSE(store.ReadWmaSettings(wma)) << "a page never shown writes nothing";

    // MP3 chosen, its tab never opened: the format changes, the record is not written.
    result = RunWith([this](CQZPropertySheet& sheet) {
        Control<QRadioButton>(sheet, 0, "MP3 Files - MPEG-1, Layer 3 Audio")->click();
        EXPECT_EQ(sheet.tabText(1), "MP3 Settings");
        Accept();
    });
    EXPECT_TRUE(result.formatChanged);
    EXPECT_TRUE(store.ReadFormat(format));
    EXPECT_EQ(format, 201);
    Mp3Settings mp3;
    EXPECT_FALSE(store.ReadMp3Settings(mp3));

    // The next untouched run reports no change; a cancelled one stores nothing.
    result = RunWith([this](CQZPropertySheet&) { Accept(); });
    EXPECT_TRUE(result.accepted);
    EXPECT_FALSE(result.formatChanged);
    result = RunWith([this](CQZPropertySheet& sheet) {
        Control<QRadioButton>(sheet, 0, "Ogg Files - Ogg-Vorbis Audio")->click();
        dialog.reject();
    });
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(store.ReadFormat(format));
    EXPECT_EQ(format, 201);
}

TEST_F(ExportDialogTest, Mp3PageRereadsOnReturnAndStoresAChangedRecord) {
    SettingsStore store;
    store.WriteFormat(201);
    store.WriteMp3Settings(Mp3Settings{});
    const auto result = RunWith([this](CQZPropertySheet& sheet) {
        sheet.setCurrentIndex(1);
        auto* cbr = Control<QComboBox>(sheet, 1, "Constant bitrate");
        auto* minimum = Control<QComboBox>(sheet, 1, "Minimum bitrate");
        auto* slider = Control<QSlider>(sheet, 1, "Set Encoding Quality");
        ASSERT_TRUE(cbr && minimum && slider);
        EXPECT_EQ(cbr->currentText(), "128");
        EXPECT_TRUE(cbr->isEnabled());
        EXPECT_FALSE(minimum->isEnabled());
        auto* page = static_cast<dialogs::CQZPropertyPage*>(sheet.widget(1));
        EXPECT_EQ(page->ToolTips().TipText(slider), "Control encoding quality");
        slider->setValue(3);
        EXPECT_EQ(page->ToolTips().TipText(slider), "Encoding Quality: Near-best, not too slow");
        cbr->setCurrentIndex(cbr->findText("320"));
        sheet.setCurrentIndex(0);
        sheet.setCurrentIndex(1);
        EXPECT_EQ(cbr->currentText(), "128") << "edits not accepted are dropped on return";
        EXPECT_EQ(slider->value(), 5);

        Control<QRadioButton>(sheet, 1, "VBR")->click();
        EXPECT_FALSE(cbr->isEnabled());
        EXPECT_TRUE(minimum->isEnabled());
        minimum->setCurrentIndex(minimum->findText("32"));
        Accept();
    });
    EXPECT_TRUE(result.formatChanged) << "the record of the format in effect changed";
    Mp3Settings stored;
    ASSERT_TRUE(store.ReadMp3Settings(stored));
    EXPECT_EQ(stored.constantBitrate, 0);
    EXPECT_EQ(stored.minBitrate, 32);
    EXPECT_EQ(stored.cbrBitrate, 128);
}

TEST_F(ExportDialogTest, OggDefaultsShowQualityLevelZeroAndStayUnwrittenUntilMoved) {
    SettingsStore store;
    store.WriteFormat(202);
    store.WriteOggSettings(OggSettings{});
    auto result = RunWith([this](CQZPropertySheet& sheet) {
        sheet.setCurrentIndex(1);
        auto* slider = Control<QSlider>(sheet, 1, "Encoding Quality:");
        ASSERT_TRUE(slider);
        EXPECT_TRUE(Control<QRadioButton>(sheet, 1, "Quality based")->isChecked());
        EXPECT_EQ(slider->value(), 0);
        EXPECT_FALSE(Control<QComboBox>(sheet, 1, "Average Bitrate:")->isEnabled());
        EXPECT_FALSE(Control<QRadioButton>(sheet, 1, "ABR")->isEnabled());
        Accept();
    });
    EXPECT_FALSE(result.formatChanged) << "looking at the page does not turn 0.5 into 0";
    OggSettings stored;
    ASSERT_TRUE(store.ReadOggSettings(stored));
    EXPECT_EQ(stored.quality, 0.5);

    result = RunWith([this](CQZPropertySheet& sheet) {
        sheet.setCurrentIndex(1);
        auto* slider = Control<QSlider>(sheet, 1, "Encoding Quality:");
        ASSERT_TRUE(slider);
        slider->setValue(40);
        auto* page = static_cast<dialogs::CQZPropertyPage*>(sheet.widget(1));
        EXPECT_EQ(page->ToolTips().TipText(slider), "Ogg Quality level: 40");
        Control<QRadioButton>(sheet, 1, "Bitrate based")->click();
        EXPECT_FALSE(slider->isEnabled());
        EXPECT_TRUE(Control<QComboBox>(sheet, 1, "Minimum bitrate:")->isEnabled())
            << "true VBR takes a minimum";
        Control<QRadioButton>(sheet, 1, "ABR")->click();
        EXPECT_FALSE(Control<QComboBox>(sheet, 1, "Minimum bitrate:")->isEnabled());
        Control<QRadioButton>(sheet, 1, "Mono")->click();
        Accept();
    });
    EXPECT_TRUE(result.formatChanged);
    ASSERT_TRUE(store.ReadOggSettings(stored));
    EXPECT_EQ(stored.quality, 40.0);
    EXPECT_EQ(stored.qualityBased, 0);
    EXPECT_EQ(stored.bitrateMode, 2);
    EXPECT_EQ(stored.channels, 1);
}

TEST_F(ExportDialogTest, WavListSkipsKnownBadCompressorsAndComparesPositionsNotNames) {
    SettingsStore store;
    store.WriteFormat(203);
    WavSettings gsm;
    gsm.compressorIndex = 3;
    gsm.compressorListIndex = 1;
    gsm.SetCompressorName("An older name of GSM");
    store.WriteWavSettings(gsm);
    auto result = RunWith([this](CQZPropertySheet& sheet) {
        sheet.setCurrentIndex(1);
        auto* list = Control<QComboBox>(sheet, 1, "Select Compressor:");
        auto* pcm = Control<QComboBox>(sheet, 1, "Select format:");
        ASSERT_TRUE(list && pcm);
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->itemText(0), "IMA ADPCM");
        EXPECT_EQ(list->currentText(), "GSM 6.10");
        EXPECT_TRUE(list->isEnabled());
        EXPECT_FALSE(pcm->isEnabled());
        ASSERT_EQ(pcm->count(), 36);
        EXPECT_EQ(pcm->itemText(0), "8000Hz, 8 bit, mono [Telephone Quality]");
        EXPECT_EQ(pcm->itemText(23), "44100Hz, 16 bit, stereo [CD Quality]");
        EXPECT_EQ(pcm->itemText(27), "48000Hz, 16 bit, stereo [DAT Quality]");
        EXPECT_EQ(pcm->itemText(35), "192000Hz, 16 bit, stereo");
        Accept();
    });
    EXPECT_FALSE(result.formatChanged);
    WavSettings stored;
    ASSERT_TRUE(store.ReadWavSettings(stored));
    EXPECT_EQ(stored.CompressorName(), "An older name of GSM") << "a name alone is not stored";

    result = RunWith([this](CQZPropertySheet& sheet) {
        sheet.setCurrentIndex(1);
        Control<QComboBox>(sheet, 1, "Select Compressor:")->setCurrentIndex(0);
        Accept();
    });
    EXPECT_TRUE(result.formatChanged);
    ASSERT_TRUE(store.ReadWavSettings(stored));
    EXPECT_EQ(stored.compressorListIndex, 0);
    EXPECT_EQ(stored.compressorIndex, 1) << "the position in the whole enumeration";
    EXPECT_EQ(stored.CompressorName(), "IMA ADPCM");

    RunWith([this](CQZPropertySheet& sheet) {
        sheet.setCurrentIndex(1);
        Control<QRadioButton>(sheet, 1, "Uncompressed PCM WAV Audio")->click();
        Control<QComboBox>(sheet, 1, "Select format:")->setCurrentIndex(26);
        Accept();
    });
    ASSERT_TRUE(store.ReadWavSettings(stored));
    EXPECT_EQ(stored.compressorIndex, -1);
    EXPECT_EQ(stored.compressorListIndex, -1);
    EXPECT_EQ(stored.CompressorName(), "");
    EXPECT_EQ(stored.sampleRate, 48000);
    EXPECT_EQ(stored.bitsPerSample, 16);
    EXPECT_EQ(stored.channels, 1);
}

TEST_F(ExportDialogTest, WmaChoicesOutsideTheListsFallBackToTheFirstEntries) {
    SettingsStore store;
    store.WriteShowToolTips(false);
    WmaSettings gone;
    gone.codecIndex = 99;
    gone.formatIndex = 7000;
    gone.vbr = 1;
    store.WriteWmaSettings(gone);
    const auto result = RunWith([this](CQZPropertySheet& sheet) {
        sheet.setCurrentIndex(1);
        auto* codecs = Control<QComboBox>(sheet, 1, "Codec");
        auto* formats = Control<QComboBox>(sheet, 1, "Format");
        ASSERT_TRUE(codecs && formats);
        ASSERT_GT(codecs->count(), 0);
        EXPECT_EQ(codecs->currentIndex(), 0);
        EXPECT_EQ(formats->currentIndex(), 0);
        auto* page = static_cast<dialogs::CQZPropertyPage*>(sheet.widget(1));
        EXPECT_FALSE(page->ToolTips().IsActive()) << "\"Show ToolTips\" is off";
        Accept();
    });
    EXPECT_TRUE(result.formatChanged);
    WmaSettings stored;
    ASSERT_TRUE(store.ReadWmaSettings(stored));
    EXPECT_EQ(stored.codecIndex, 0);
    EXPECT_EQ(stored.formatIndex, 0);
    EXPECT_EQ(stored.vbr, 0);
}

TEST_F(ExportDialogTest, TheKeyboardAloneChoosesAFormatAndEditsItsPage) {
    SettingsStore store;
    store.WriteMp3Settings(Mp3Settings{});
    const auto result = RunWith([this](CQZPropertySheet& sheet) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        // Mnemonics click with an animation: wait for the click itself.
        QTest::keyClick(&dialog, Qt::Key_M, Qt::AltModifier);  // "&MP3 Files ..."
        ASSERT_TRUE(QTest::qWaitFor([&sheet] { return sheet.tabText(1) == "MP3 Settings"; }));
        QTest::keyClick(sheet.currentWidget()->focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        ASSERT_EQ(sheet.currentIndex(), 1);
        QTest::keyClick(&dialog, Qt::Key_V, Qt::AltModifier);  // "&VBR"
        auto* vbr = Control<QRadioButton>(sheet, 1, "VBR");
        ASSERT_TRUE(vbr);
        EXPECT_TRUE(QTest::qWaitFor([vbr] { return vbr->isChecked(); }));
        EXPECT_TRUE(Control<QComboBox>(sheet, 1, "Minimum bitrate")->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    EXPECT_TRUE(result.accepted);
    EXPECT_TRUE(result.formatChanged);
    Mp3Settings stored;
    ASSERT_TRUE(store.ReadMp3Settings(stored));
    EXPECT_EQ(stored.constantBitrate, 0);
}

}  // namespace
}  // namespace tarnel::test
