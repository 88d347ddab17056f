#pragma once
// One stop on a command's route (active view, then document, then frame), as the framework's
// command routing and idle update handlers work: a target either handles a command id or
// lets it pass to the next one.
#include <optional>

namespace tarnel::ui {

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // Runs the command; false when this target has no handler for it.
    virtual bool OnCommand(int id) = 0;
    // The enable state when this target handles the command; nothing lets it pass on.
    virtual std::optional<bool> OnUpdateCommand(int id) const = 0;
};

}  // namespace tarnel::ui
