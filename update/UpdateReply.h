#pragma once
// Reading the update server's answer: "<resp>address</resp>", trimmed and lower-cased.
#include <string>
#include <string_view>

namespace tarnel {

struct UpdateReply {
    enum class Kind {
        Invalid,   // not framed by the tags, or an address we will not open: ignored silently
        NoUpdate,  // the tags with nothing between them
        Update,    // `address` is an http or https address to offer
    };
    Kind kind = Kind::Invalid;
    std::string address;
};

UpdateReply ParseUpdateReply(std::string_view reply);

}  // namespace tarnel

namespace tarnel {

// What the program shows the user about an answer; the desktop program implements it with
// message boxes and the browser.
class UpdateUserInterface {
public:
    virtual ~UpdateUserInterface() = default;
    // An OK/Cancel question; true for OK.
    virtual bool AskOkCancel(const std::string& text) = 0;
    // Opens the address in the browser; false when it could not be started.
    virtual bool OpenUrl(const std::string& address) = 0;
    virtual void ShowError(const std::string& text) = 0;
};

inline constexpr const char* kUpdateQuestion =
    "An update to Tarnel Audio Converter is currently available.\r\nWould you like to download it?";
inline constexpr const char* kUpdateOpenFailed =
    "An error occured while retrieving Tarnel Audio Converter update. Please launch the\r\n"
    "browser and get it from ";

enum class UpdateOutcome { Ignored, NoUpdate, Declined, Opened, OpenFailed };

// Asks the user about an offered update and opens the address on OK. "Last Checked" is to be
// stored when the outcome is Declined or Opened (see StoresLastChecked).
UpdateOutcome HandleUpdateReply(std::string_view reply, UpdateUserInterface& ui);

constexpr bool StoresLastChecked(UpdateOutcome outcome) {
    return outcome == UpdateOutcome::Declined || outcome == UpdateOutcome::Opened;
}

}  // namespace tarnel
