#pragma once
// CTabPage2 "WMA Settings": the WMA codec and one of its formats, as the installed codecs offer
// them, with a description of the chosen codec.
#include <utility>
#include <vector>

#include "settings/WmaSettings.h"
#include "settings/dialogs/CQZPropertyPage.h"
#include "wma/ProfileEnumerator.h"

class QComboBox;
class QLabel;

namespace tarnel::dialogs {

class CTabPage2 : public CQZPropertyPage {
    Q_OBJECT
public:
    explicit CTabPage2(ProfileManagerFactory runtime, QWidget* parent = nullptr);
    void OnCreate() override;
    void OnOk() override;

private:
    void OnCodecChosen(int position);
    void FillFormats(int codecPosition);

    ProfileManagerFactory runtime_;
    QComboBox* codecs_;
    QComboBox* formats_;
    QLabel* blurb_;
    std::vector<std::string> codecNames_;
    WmaFormatMap formatMap_;
    std::vector<std::pair<int32_t, uint8_t>> shownFormats_;  // (format index, vbr) per entry
    WmaSettings read_;                                       // the record as read
};

}  // namespace tarnel::dialogs
