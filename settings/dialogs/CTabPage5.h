#pragma once
// CTabPage5 "WAV Settings": uncompressed PCM in one of the table's formats, or one of the
// installed audio compressors. The compressor list leaves out compressors known not to work
// in a WAVE file and remembers, for each entry, its position in the full enumeration.
#include <vector>

#include "engine/DeviceEnumerator.h"
#include "settings/WavSettings.h"
#include "settings/dialogs/CQZPropertyPage.h"

class QComboBox;
class QRadioButton;

namespace tarnel::dialogs {

class CTabPage5 : public CQZPropertyPage {
    Q_OBJECT
public:
    explicit CTabPage5(DeviceEnumeratorFactory compressors, QWidget* parent = nullptr);
    void OnCreate() override;
    void OnOk() override;

    // True for a compressor name the list leaves out (compared in lower case).
    static bool IsExcludedCompressor(const std::string& name);

private:
    void ApplyChoiceRule();

    DeviceEnumeratorFactory compressors_;
    QRadioButton* pcm_;
    QRadioButton* compressed_;
    QComboBox* compressorList_;
    QComboBox* pcmList_;
    std::vector<int32_t> enumerationPositions_;  // per compressor list entry
    WavSettings read_;
};

}  // namespace tarnel::dialogs
