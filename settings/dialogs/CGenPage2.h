#pragma once
// CGenPage2 "User Interface": ticking added files, sound alerts, and file names without folders.
#include "settings/dialogs/CQZPropertyPage.h"

class QCheckBox;

namespace tarnel::dialogs {

class CGenPage2 : public CQZPropertyPage {
    Q_OBJECT
public:
    explicit CGenPage2(QWidget* parent = nullptr);
    void OnSetActive() override;
    void OnOk() override;

private:
    QCheckBox* checkAdded_;
    QCheckBox* soundAlerts_;
    QCheckBox* namesOnly_;
};

}  // namespace tarnel::dialogs
