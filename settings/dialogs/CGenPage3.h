#pragma once
// CGenPage3 "Miscellaneous": tool tips and the automatic update check. Leaving the page stores
// "Show ToolTips" at once and tells the main window, which re-reads it.
#include <functional>

#include "settings/dialogs/CQZPropertyPage.h"

class QCheckBox;

namespace tarnel::dialogs {

class CGenPage3 : public CQZPropertyPage {
    Q_OBJECT
public:
    CGenPage3(std::function<void()> onShowToolTipsChanged, QWidget* parent = nullptr);
    void OnSetActive() override;
    void OnKillActive() override;
    void OnOk() override;

private:
    std::function<void()> onShowToolTipsChanged_;
    QCheckBox* showToolTips_;
    QCheckBox* autoUpdate_;
};

}  // namespace tarnel::dialogs
