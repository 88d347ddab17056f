#pragma once
// CQZPropertySheet: the tabbed sheet inside a configuration dialog. It creates a page's window
// the first time its tab is shown in a run, tells pages when they become current and when they
// are left, and forwards the pages' notifications to the dialog.
#include <QTabWidget>

namespace tarnel::dialogs {

class CQZPropertyPage;

// Page notifications, carrying an ExportFormat code.
inline constexpr int kMakeFormatCurrent = 1640;  // replace the settings page
inline constexpr int kRecordStored = 1649;       // a page stored a changed record

class CQZPropertySheet : public QTabWidget {
    Q_OBJECT
public:
    explicit CQZPropertySheet(QWidget* parent = nullptr);

    void AddPage(CQZPropertyPage* page, const QString& caption);
    // Takes the page out of the sheet; its window is destroyed (the page object stays).
    void RemovePage(int index);
    CQZPropertyPage* Page(int index) const;

    // Start of a dialog run: no page has a window, the first tab becomes current and is created.
    void BeginRun();
    // End of a run: every window is destroyed.
    void EndRun();

    void Notify(int message, int code) { emit PageNotification(message, code); }

signals:
    void PageNotification(int message, int code);

private:
    void OnCurrentChanged(int index);

    CQZPropertyPage* active_ = nullptr;
    bool running_ = false;
};

}  // namespace tarnel::dialogs
