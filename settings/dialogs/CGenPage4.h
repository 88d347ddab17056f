#pragma once
// CGenPage4 "Log Window": the log level and how many messages the log keeps. Reads its values
// once, when its window is created; leaving it brings the depth into 10..10000.
#include <cstdint>
#include <functional>

#include "settings/dialogs/CQZPropertyPage.h"

class QButtonGroup;
class QLineEdit;

namespace tarnel::dialogs {

// Shows a message box with the text.
using MessageSink = std::function<void(QWidget* parent, const QString& text)>;

class CGenPage4 : public CQZPropertyPage {
    Q_OBJECT
public:
    static constexpr uint32_t kMinDepth = 10;
    static constexpr uint32_t kMaxDepth = 10000;

    CGenPage4(MessageSink showMessage, QWidget* parent = nullptr);
    void OnCreate() override;
    void OnSetActive() override;
    void OnKillActive() override;
    void OnOk() override;

private:
    void ShowValues();

    MessageSink showMessage_;
    QButtonGroup* levels_;  // id = "Logging Level"
    QLineEdit* depthEdit_;
    int32_t level_ = 0;
    uint32_t depth_ = 100;  // compared unsigned
};

}  // namespace tarnel::dialogs
