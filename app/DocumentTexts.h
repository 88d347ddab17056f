#pragma once
// The texts the document shows, word for word. Kept together so that the desktop program, the
// command-line converter and the tests use the same ones.
#include <string>
#include <string_view>

namespace tarnel::texts {

inline constexpr std::string_view kOpenDialogTitle = "Select audio file(s) for conversion";
inline constexpr std::string_view kOpenDialogFilter =
    "Audio Files (*.wma, *.mp3, *.ogg, *.wav)|*.wma;*.mp3;*.ogg;*.wav;|WMA Files (*.wma)|*.wma|"
    "MP3 Files (*.mp3)|*.mp3|OGG Files (*.ogg)|*.ogg|WAV Files (*.wav)|*.wav||";

inline constexpr std::string_view kNothingSelected =
    "Currently, no files are selected for conversion.";
inline constexpr std::string_view kConverterReady =
    "File(s) selected for conversion. Converter is ready.";
inline constexpr std::string_view kResettingStatus =
    "Resetting all previous conversion status information.";
inline constexpr std::string_view kFormatChanged =
    "Export format has changed. Previous conversion statuses have been reset.";
inline constexpr std::string_view kNoFilesToConvert =
    "No audio files are selected for conversion.\nPlease select at least one file and try again.";
inline constexpr std::string_view kAllConverted =
    "All files have been converted to the current export format. If you want to convert them "
    "again, choose \"Reset Status\" from the \"Edit\" menu.";
inline constexpr std::string_view kConversionError = "An error occured while converting file.";
inline constexpr std::string_view kConversionCancelled = "File conversion cancelled!";
inline constexpr std::string_view kPlaybackError = "An error occured while playing.";

// Error numbers shown as "Error code: %d".
inline constexpr int kErrorNumberUnsupported = 27865;
inline constexpr int kErrorNumberBuildFailed = 27866;
inline constexpr int kErrorNumberOggSettings = 27867;
// Delivery of a converted file failed (copy, MP3 container, output name).
inline constexpr int kErrorNumberDelivery = 27868;

// "The file \"%s\" is already in the list. Skipped."
std::string AlreadyListed(std::string_view path);
// "Error checking the audio file \"%s\". It may not be in a supported format or is corrupted."
std::string UnsupportedFile(std::string_view path);
// Build failure of the conversion graph, generic or the Ogg encoder's refusal.
std::string BuildFailed(std::string_view path);
std::string OggSettingsRejected(std::string_view path);
// "Could not play %s.\nAn unexpected error occured."
std::string PlaybackFailed(std::string_view path);
// The converted file could not be written to its final name.
std::string DeliveryFailed(std::string_view source, std::string_view reason);

}  // namespace tarnel::texts
