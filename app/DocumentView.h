#pragma once
// A view of the document: renders only from the hints it is sent. Called on the document's
// thread, synchronously, inside the document operation that sends the hint.
#include "app/UpdateHint.h"

namespace tarnel {

class CvemoraDoc;

class DocumentView {
public:
    virtual ~DocumentView() = default;
    virtual void OnUpdate(CvemoraDoc& doc, UpdateHint hint, const HintArgument& argument) = 0;
};

}  // namespace tarnel
