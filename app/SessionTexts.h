#pragma once
// The texts of session files, word for word: the document template strings and the messages
// shown when a session file cannot be saved or opened.
#include <string>
#include <string_view>

#include "framework/Result.h"

namespace tarnel::texts {

// The document template: the seven newline-separated fields the framework reads, in order.
inline constexpr std::string_view kWindowTitle = "Tarnel Audio Converter";
inline constexpr std::string_view kDocumentName = "";
inline constexpr std::string_view kNewFileName = "qzconv";
inline constexpr std::string_view kSessionFilterName = "qzconv Files (*.qzconv)";
inline constexpr std::string_view kSessionFilterExtension = ".qzconv";
inline constexpr std::string_view kSessionFileTypeId = "qzconv.Document";
inline constexpr std::string_view kSessionFileTypeName = "qzconv.Document";
inline constexpr std::string_view kDocumentTemplate =
    "Tarnel Audio Converter\n\nqzconv\nqzconv Files (*.qzconv)\n.qzconv\nqzconv.Document\n"
    "qzconv.Document";

// The save prefix really ends with a lone double quote, and neither prefix is separated from
// the reason that follows it.
inline constexpr std::string_view kSaveSessionFailed =
    "Failed to save the converter settings project file.\"";
inline constexpr std::string_view kOpenSessionFailed =
    "Failed to load the saved converter settings project file.";

// The reason for a structured-storage failure; empty for codes without one.
std::string_view StorageFailureReason(HRESULT result);

// The whole message: prefix directly followed by the reason.
std::string SaveSessionFailed(HRESULT result);
std::string OpenSessionFailed(HRESULT result);

}  // namespace tarnel::texts
