#pragma once
// CTabPage1 "Audio Format": the choice of the export format. A click on a format makes it
// current at once (the sheet's second page is replaced); "Format" itself is stored by the
// dialog's OK.
#include "settings/dialogs/CQZPropertyPage.h"

class QButtonGroup;

namespace tarnel::dialogs {

class CTabPage1 : public CQZPropertyPage {
    Q_OBJECT
public:
    explicit CTabPage1(QWidget* parent = nullptr);
    void OnCreate() override;

private:
    QButtonGroup* formats_;  // button id = ExportFormat code
};

}  // namespace tarnel::dialogs
