#pragma once
// The document's stop on the command route: the commands the document handles (Add Files,
// Convert, Cancel, the two configurations, Reset Converted Status, the preview commands). Their
// enable state is the frame's (from CommandFlags), so updates pass on, except for commands that
// are always open.
//
// Preview playback lives on its own branch: Play, Pause and Stop call the handlers set with
// SetPreviewCommands and do nothing while none are set.
#include <functional>

#include "app/CvemoraDoc.h"
#include "ui/CommandTarget.h"

namespace tarnel::ui {

class DocumentCommands : public CommandTarget {
public:
    explicit DocumentCommands(CvemoraDoc& doc) : doc_(doc) {}

    struct PreviewCommands {
        std::function<void()> play, pause, stop;  // 1005, 1002, 1003
    };
    void SetPreviewCommands(PreviewCommands commands) { preview_ = std::move(commands); }

    bool OnCommand(int id) override;
    std::optional<bool> OnUpdateCommand(int id) const override;

private:
    CvemoraDoc& doc_;
    PreviewCommands preview_;
};

}  // namespace tarnel::ui
