#pragma once
// ProfileCreator: builds the one-stream Windows Media profile the "ASF Mux" writer is configured
// with. The engine sets codecName (as ProfileEnumerator lists it), formatIndex and vbr from the
// WMA settings; CreateProfile finds the codec, picks the format under the variant's enumeration
// settings (an index past the list picks the middle format) and copies its media type and
// bitrate into stream 1, "Audio1", with a 3000 ms buffer window and the system's language.
//
// Not thread-safe: made, used and destroyed by the engine on one thread for one conversion.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "wma/ProfileEnumerator.h"
#include "wma/ProfileObjects.h"

namespace tarnel {

inline constexpr const char* kProfileName = "Tarnel Morlat Custom Profile";
inline constexpr const char* kProfileDescription =
    "Custom screen video profile created by Tarnel Morlat!";

class ProfileCreator {
public:
    explicit ProfileCreator(ProfileManagerFactory createManager = &WMCreateProfileManager);
    virtual ~ProfileCreator();
    ProfileCreator(const ProfileCreator&) = delete;
    ProfileCreator& operator=(const ProfileCreator&) = delete;

    std::string codecName;
    int32_t formatIndex = -1;  // clamped to the middle format when past the list
    uint8_t vbr = 0;

    // `profile` receives the profile whenever an empty one could be made; true only when it was
    // completed and its description set.
    bool CreateProfile(std::shared_ptr<IWMProfile>* profile);

    // The stream descriptions made so far (one per CreateProfile that got that far).
    const std::vector<std::shared_ptr<CProfileObject>>& Streams() const { return streams_; }

private:
    // The audio stream description, or null when it cannot be made.
    std::shared_ptr<CStream> DescribeAudioStream();
    HRESULT CreateAudioStream(IWMProfile3* profile, const CStream& stream);

    ProfileManagerFactory createManager_;
    std::shared_ptr<IWMCodecInfo3> codecInfo_;  // obtained once, kept
    std::vector<std::shared_ptr<CProfileObject>> streams_;
};

}  // namespace tarnel
