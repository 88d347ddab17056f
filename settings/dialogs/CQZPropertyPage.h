#pragma once
// CQZPropertyPage: one page of a CQZPropertySheet. The page widget lives as long as its dialog,
// but its "window" (as the user sees it) exists only from the first time its tab is shown in a
// run until the run ends or the page is removed: OnCreate runs then, and a page that has no
// window in a run is never applied. The sheet calls OnSetActive each time the tab becomes
// current and OnKillActive when it is left.
#include <QWidget>

#include "settings/dialogs/CQzToolTipCtrl.h"

namespace tarnel::dialogs {

class CQZPropertySheet;

class CQZPropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit CQZPropertyPage(QWidget* parent = nullptr);

    bool HasWindow() const { return hasWindow_; }
    CQzToolTipCtrl& ToolTips() { return *toolTips_; }

    virtual void OnCreate() {}
    virtual void OnSetActive() {}
    virtual void OnKillActive() {}
    // Dialog accepted: store what the page holds.
    virtual void OnOk() {}

protected:
    // Activates or deactivates the page's tips from "Show ToolTips".
    void ApplyToolTipSetting();
    // Sends a page notification through the sheet to the dialog (synchronous).
    void Notify(int message, int code);

private:
    friend class CQZPropertySheet;
    void CreateWindowOnce();
    void DestroyWindow();

    CQZPropertySheet* sheet_ = nullptr;
    CQzToolTipCtrl* toolTips_;
    bool hasWindow_ = false;
};

}  // namespace tarnel::dialogs
