#pragma once
// Class identifiers of the system filter stand-ins that RegisterSystemFilters makes creatable
// through the graph manager's registry (CoCreateInstance). They keep the Windows values, which
// framework/Guids.h defines; this header names the set in one place.
#include "framework/Guids.h"

namespace tarnel::media {

inline constexpr GUID kFileSourceClsid = CLSID_AsyncReader;     // "File Source (Async.)"
inline constexpr GUID kWaveParserClsid = CLSID_WAVEParser;      // "Wave Parser"
inline constexpr GUID kPcmConverterClsid = CLSID_ACMWrapper;    // the PCM converter
inline constexpr GUID kFileWriterClsid = CLSID_FileWriter;      // "File Writer"
inline constexpr GUID kNullRendererClsid = CLSID_NullRenderer;  // "Null Renderer"

}  // namespace tarnel::media
