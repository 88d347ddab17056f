#pragma once
// COptionsDlg "Configure Tarnel Audio Converter": the export format and its settings. The sheet
// holds "Audio Format" and the settings page of the chosen format, replaced on every choice.
// Nothing is stored before OK; OK stores "Format" and each settings page shown in this run
// whose record changed. The export configuration in effect changed when the format changed or
// the record of the format in effect when the dialog opened was stored.
#include <QDialog>

#include <cstdint>

#include "engine/DeviceEnumerator.h"
#include "engine/FilterCatalogue.h"
#include "wma/ProfileEnumerator.h"

class QDialogButtonBox;

namespace tarnel::dialogs {

class CQZPropertySheet;
class CTabPage1;
class CTabPage2;
class CTabPage3;
class CTabPage4;
class CTabPage5;

struct ExportConfigurationResult {
    bool accepted = false;
    bool formatChanged = false;
};

// Where the WMA page finds the codecs and the WAV page the compressors.
struct ExportSources {
    ProfileManagerFactory wmaRuntime = &WMCreateProfileManager;
    DeviceEnumeratorFactory compressors = FilterCatalogue::DefaultEnumerator();
};

class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(QWidget* parent = nullptr, ExportSources sources = {});

    // Modal; stores the settings only when accepted.
    ExportConfigurationResult Run();

    CQZPropertySheet& Sheet() { return *sheet_; }

private:
    void MakeFormatCurrent(int code);
    void OnPageNotification(int message, int code);
    void OnOk();

    CQZPropertySheet* sheet_;
    CTabPage1* formatPage_;
    CTabPage2* wmaPage_;
    CTabPage3* mp3Page_;
    CTabPage4* oggPage_;
    CTabPage5* wavPage_;
    QDialogButtonBox* buttons_;
    int32_t currentFormat_ = 200;
    int32_t initialFormat_ = 200;
    bool formatChanged_ = false;
};

}  // namespace tarnel::dialogs
