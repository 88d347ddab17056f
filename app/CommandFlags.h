#pragma once
// Enable state of the command groups. The frame holds one set and only reads it; the document
// writes it at every state change.
namespace tarnel {

struct CommandFlags {
    bool canAdd = true;        // 1079, 32771
    bool canConvert = false;   // 1080
    bool canPlay = false;      // 1005
    bool canPause = false;     // 1002
    bool canStop = false;      // 1003
    bool canConfigure = true;  // 1004, 32772, 32775
    bool canCancel = false;    // 1081

    // Nothing converting: Convert, Add and the configuration open; Cancel closed.
    void SetIdlePattern() {
        canConvert = true;
        canCancel = false;
        canAdd = true;
        canConfigure = true;
    }
    // A file is converting: only Cancel of the run's commands is open.
    void SetRunPattern() {
        canConvert = false;
        canCancel = true;
        canAdd = false;
        canConfigure = false;
    }
    // Play available, nothing being previewed.
    void SetPreviewIdle() {
        canPlay = true;
        canPause = false;
        canStop = false;
    }

    bool operator==(const CommandFlags&) const = default;
};

}  // namespace tarnel
