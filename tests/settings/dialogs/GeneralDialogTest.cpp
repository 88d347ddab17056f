// The general configuration dialog over a private settings file.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>

#include "settings/SettingsStore.h"
#include "settings/dialogs/CGeneralDlg.h"
#include "tests/settings/dialogs/DialogFixture.h"

namespace tarnel::test {
namespace {

using dialogs::CGeneralDlg;
using dialogs::CQZPropertySheet;

constexpr int kFilenames = 0, kLogWindow = 2, kMiscellaneous = 3;

class GeneralDialogTest : public IsolatedTest {
protected:
    bool RunWith(std::function<void(CQZPropertySheet&)> script) {
        WhenShown(dialog, [this, script] { script(dialog.Sheet()); });
        return dialog.Run();
    }
    void Accept() { Press(dialog, QDialogButtonBox::Ok); }

    std::vector<QString> messages;
    std::vector<QString> chooserTitles;
    int toolTipNotices = 0;
    CGeneralDlg dialog{
        nullptr,
        [this] { ++toolTipNotices; },
        {[this](QWidget*, const QString& title, const QString&) -> std::optional<QString> {
             chooserTitles.push_back(title);
             return QString::fromStdString((workDir() / "chosen").string());
         },
         [this](QWidget*, const QString& text) { messages.push_back(text); }}};
};

TEST_F(GeneralDialogTest, FirstTabAloneStoresItsTwoValuesAndCreatesTheDefaultFolder) {
    SettingsStore store;
    const std::filesystem::path expected = homeDir() / "Music" / "Tarnel Audio";
    EXPECT_TRUE(RunWith([this, &expected](CQZPropertySheet& sheet) {
        EXPECT_EQ(sheet.tabText(0), "Manage Filenames");
        EXPECT_EQ(sheet.tabText(1), "User Interface");
        EXPECT_EQ(sheet.tabText(2), "Log Window");
        EXPECT_EQ(sheet.tabText(3), "Miscellaneous");
        auto* folder = Control<QLabel>(sheet, 0, "Select a directory for converted audio files");
        ASSERT_TRUE(folder);
        EXPECT_EQ(folder->text().toStdString(), expected.string());
        EXPECT_TRUE(std::filesystem::is_directory(expected));
        Control<QRadioButton>(sheet, 0, "Append date and time to the end of the file's name")
            ->click();
        Accept();
    }));
    std::string target;
    EXPECT_TRUE(store.ReadTargetDirectory(target));
    EXPECT_EQ(target, expected.string());
    int32_t naming = -1, depth = -1;
    EXPECT_TRUE(store.ReadNamingStrategy(naming));
    EXPECT_EQ(naming, 1);
    bool flag = true;
    EXPECT_FALSE(store.ReadSoundAlerts(flag));
    EXPECT_FALSE(store.ReadAutoUpdate(flag));
    EXPECT_FALSE(store.ReadShowToolTips(flag));
    EXPECT_FALSE(store.ReadLoggingDepth(depth));

    // "&Change" asks for a folder; the chosen one is stored on OK.
    EXPECT_TRUE(RunWith([this](CQZPropertySheet& sheet) {
        Control<QPushButton>(sheet, 0, "Change")->click();
        Accept();
    }));
    ASSERT_EQ(chooserTitles.size(), 1u);
    EXPECT_EQ(chooserTitles[0], "Select a folder for converted audio files");
    EXPECT_TRUE(store.ReadTargetDirectory(target));
    EXPECT_EQ(target, (workDir() / "chosen").string());
}

TEST_F(GeneralDialogTest, DepthIsClampedWithAMessageAndNonNumbersKeepThePreviousDepth) {
    SettingsStore store;
    const auto typeDepth = [this](const QString& text) {
        return RunWith([this, text](CQZPropertySheet& sheet) {
            sheet.setCurrentIndex(kLogWindow);
            auto* edit =
                Control<QLineEdit>(sheet, kLogWindow, "Number of most recent messages to keep:");
            ASSERT_TRUE(edit);
            edit->setText(text);
            Accept();
        });
    };
    const struct {
        QString typed;
        int32_t stored;
        QString message;
    } cases[] = {
        {"5", 10, "Number of logs can not be less than 10, setting it to 10."},
        {"20000", 10000, "Number of logs can not be larger than 10,000, setting it to 10,000."},
        {"99999999999999999999", 10000,
         "Number of logs can not be larger than 10,000, setting it to 10,000."},
        {"", 10000, "Please enter a positive integer."},
        {"250", 250, ""},
    };
    for (const auto& c : cases) {
        messages.clear();
        EXPECT_TRUE(typeDepth(c.typed));
        int32_t depth = 0;
        EXPECT_TRUE(store.ReadLoggingDepth(depth));
        EXPECT_EQ(depth, c.stored) << c.typed.toStdString();
        EXPECT_EQ(messages,
                  c.message.isEmpty() ? std::vector<QString>{} : std::vector<QString>{c.message});
    }
    // The level is stored with the depth; other pages stay unwritten.
    int32_t level = -1;
    EXPECT_TRUE(store.ReadLoggingLevel(level));
    EXPECT_EQ(level, 0);
    int32_t naming = 0;
    EXPECT_TRUE(store.ReadNamingStrategy(naming)) << "the first tab is shown on opening";
}

TEST_F(GeneralDialogTest, LeavingMiscellaneousStoresShowToolTipsEvenWhenCancelled) {
    SettingsStore store;
    store.WriteShowToolTips(true);
    EXPECT_FALSE(RunWith([this, &store](CQZPropertySheet& sheet) {
        sheet.setCurrentIndex(kMiscellaneous);
        auto* check =
            Control<QCheckBox>(sheet, kMiscellaneous, "Show tool tips for various controls");
        ASSERT_TRUE(check);
        EXPECT_TRUE(check->isChecked());
        check->click();
        auto* page = static_cast<dialogs::CQZPropertyPage*>(sheet.widget(kMiscellaneous));
        EXPECT_FALSE(page->ToolTips().IsActive()) << "the page's tips follow the box at once";
        EXPECT_EQ(toolTipNotices, 0);
        sheet.setCurrentIndex(kFilenames);
        bool on = true;
        EXPECT_TRUE(store.ReadShowToolTips(on));
        EXPECT_FALSE(on);
        EXPECT_EQ(toolTipNotices, 1);
        auto* first = static_cast<dialogs::CQZPropertyPage*>(sheet.widget(kFilenames));
        EXPECT_FALSE(first->ToolTips().IsActive()) << "re-read on activation";
        dialog.reject();
    }));
    bool on = true;
    EXPECT_TRUE(store.ReadShowToolTips(on));
    EXPECT_FALSE(on);
    EXPECT_FALSE(store.ReadAutoUpdate(on)) << "cancel writes nothing else";
    EXPECT_EQ(toolTipNotices, 1);
}

TEST_F(GeneralDialogTest, TipsWrapAtThreeHundredPixels) {
    SettingsStore().WriteShowToolTips(true);
    EXPECT_FALSE(RunWith([this](CQZPropertySheet& sheet) {
        sheet.setCurrentIndex(kLogWindow);
        auto* edit =
            Control<QLineEdit>(sheet, kLogWindow, "Number of most recent messages to keep:");
        ASSERT_TRUE(edit);
        auto* page = static_cast<dialogs::CQZPropertyPage*>(sheet.widget(kLogWindow));
        page->ToolTips().ShowTip(edit, edit->mapToGlobal(QPoint(4, 4)));
        QLabel* tip = page->ToolTips().ShownTip();
        ASSERT_TRUE(tip);
        EXPECT_EQ(tip->width(), dialogs::CQzToolTipCtrl::kMaxTipWidth);
        EXPECT_GT(tip->height(), 2 * tip->fontMetrics().height()) << "the long text wraps";
        page->ToolTips().Activate(false);
        EXPECT_EQ(page->ToolTips().ShownTip(), nullptr);
        dialog.reject();
    }));
}

}  // namespace
}  // namespace tarnel::test
