#pragma once
// The main frame as the document sees it: it holds the command-enable flags that the document
// writes, and it receives the document's window messages as queued calls on the document's
// thread (never inside the document operation that sends them).
#include "app/CommandFlags.h"

namespace tarnel {

class DocumentFrame {
public:
    virtual ~DocumentFrame() = default;

    // The flags the frame's command-update handlers read; the document writes them.
    virtual CommandFlags& Flags() = 0;
    // WM_CONVERSION_PROGRESS: 1-based number of the file now converting and the files in the
    // run; (0, 0) when the run is over or cancelled.
    virtual void OnConversionProgress(int fileNumber, int fileCount) = 0;
    // WM_GENERAL_SETTINGS_CHANGED: a configuration dialog was accepted.
    virtual void OnGeneralSettingsChanged() = 0;
};

}  // namespace tarnel
