#pragma once
// Result codes of the media layer. Negative values are failures; every code carries the
// numeric value the Windows headers give it, so results can be compared and logged as numbers.

#include <cstdint>

namespace tarnel {

using HRESULT = int32_t;

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// General results.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);

// Win32 errors carried as results (HRESULT_FROM_WIN32).
constexpr HRESULT HRESULT_FROM_WIN32_FILE_NOT_FOUND = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT HRESULT_FROM_WIN32_PATH_NOT_FOUND = static_cast<HRESULT>(0x80070003u);
constexpr HRESULT HRESULT_FROM_WIN32_ACCESS_DENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT HRESULT_FROM_WIN32_HANDLE_EOF = static_cast<HRESULT>(0x80070026u);
constexpr HRESULT HRESULT_FROM_WIN32_DISK_FULL = static_cast<HRESULT>(0x80070070u);
constexpr HRESULT HRESULT_FROM_WIN32_WRITE_FAULT = static_cast<HRESULT>(0x8007001Du);
constexpr HRESULT HRESULT_FROM_WIN32_READ_FAULT = static_cast<HRESULT>(0x8007001Eu);

// Structured storage (compound files).
constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001u);
constexpr HRESULT STG_E_FILENOTFOUND = static_cast<HRESULT>(0x80030002u);
constexpr HRESULT STG_E_PATHNOTFOUND = static_cast<HRESULT>(0x80030003u);
constexpr HRESULT STG_E_TOOMANYOPENFILES = static_cast<HRESULT>(0x80030004u);
constexpr HRESULT STG_E_ACCESSDENIED = static_cast<HRESULT>(0x80030005u);
constexpr HRESULT STG_E_INVALIDHANDLE = static_cast<HRESULT>(0x80030006u);
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = static_cast<HRESULT>(0x80030008u);
constexpr HRESULT STG_E_INVALIDPOINTER = static_cast<HRESULT>(0x80030009u);
constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001Du);
constexpr HRESULT STG_E_READFAULT = static_cast<HRESULT>(0x8003001Eu);
constexpr HRESULT STG_E_SHAREVIOLATION = static_cast<HRESULT>(0x80030020u);
constexpr HRESULT STG_E_LOCKVIOLATION = static_cast<HRESULT>(0x80030021u);
constexpr HRESULT STG_E_FILEALREADYEXISTS = static_cast<HRESULT>(0x80030050u);
constexpr HRESULT STG_E_INVALIDPARAMETER = static_cast<HRESULT>(0x80030057u);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070u);
constexpr HRESULT STG_E_INVALIDHEADER = static_cast<HRESULT>(0x800300FBu);
constexpr HRESULT STG_E_INVALIDNAME = static_cast<HRESULT>(0x800300FCu);
constexpr HRESULT STG_E_UNKNOWN = static_cast<HRESULT>(0x800300FDu);
constexpr HRESULT STG_E_OLDFORMAT = static_cast<HRESULT>(0x80030104u);
constexpr HRESULT STG_E_NOTCURRENT = static_cast<HRESULT>(0x80030101u);
constexpr HRESULT STG_E_REVERTED = static_cast<HRESULT>(0x80030102u);

// Media framework results.
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT VFW_E_INVALIDSUBTYPE = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT VFW_E_NEED_OWNER = static_cast<HRESULT>(0x80040202u);
constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = static_cast<HRESULT>(0x80040203u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
constexpr HRESULT VFW_E_FILTER_ACTIVE = static_cast<HRESULT>(0x80040205u);
constexpr HRESULT VFW_E_NO_TYPES = static_cast<HRESULT>(0x80040206u);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = static_cast<HRESULT>(0x80040207u);
constexpr HRESULT VFW_E_INVALID_DIRECTION = static_cast<HRESULT>(0x80040208u);
constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
constexpr HRESULT VFW_E_NO_ALLOCATOR = static_cast<HRESULT>(0x8004020Au);
constexpr HRESULT VFW_E_RUNTIME_ERROR = static_cast<HRESULT>(0x8004020Bu);
constexpr HRESULT VFW_E_BUFFER_NOTSET = static_cast<HRESULT>(0x8004020Cu);
constexpr HRESULT VFW_E_BUFFER_OVERFLOW = static_cast<HRESULT>(0x8004020Du);
constexpr HRESULT VFW_E_BADALIGN = static_cast<HRESULT>(0x8004020Eu);
constexpr HRESULT VFW_E_ALREADY_COMMITTED = static_cast<HRESULT>(0x8004020Fu);
constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = static_cast<HRESULT>(0x80040210u);
constexpr HRESULT VFW_E_NOT_COMMITTED = static_cast<HRESULT>(0x80040211u);
constexpr HRESULT VFW_E_SIZENOTSET = static_cast<HRESULT>(0x80040212u);
constexpr HRESULT VFW_E_NO_CLOCK = static_cast<HRESULT>(0x80040213u);
constexpr HRESULT VFW_E_NO_SINK = static_cast<HRESULT>(0x80040214u);
constexpr HRESULT VFW_E_NO_INTERFACE = static_cast<HRESULT>(0x80040215u);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = static_cast<HRESULT>(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);
constexpr HRESULT VFW_E_CHANGING_FORMAT = static_cast<HRESULT>(0x80040219u);
constexpr HRESULT VFW_E_STATE_CHANGED = static_cast<HRESULT>(0x80040223u);
constexpr HRESULT VFW_E_NOT_STOPPED = static_cast<HRESULT>(0x80040224u);
constexpr HRESULT VFW_E_NOT_PAUSED = static_cast<HRESULT>(0x80040225u);
constexpr HRESULT VFW_E_NOT_RUNNING = static_cast<HRESULT>(0x80040226u);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
constexpr HRESULT VFW_E_START_TIME_AFTER_END = static_cast<HRESULT>(0x80040228u);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = static_cast<HRESULT>(0x8004022Au);
constexpr HRESULT VFW_E_SAMPLE_REJECTED = static_cast<HRESULT>(0x8004022Bu);
constexpr HRESULT VFW_E_SAMPLE_REJECTED_EOS = static_cast<HRESULT>(0x8004022Cu);
constexpr HRESULT VFW_E_DUPLICATE_NAME = static_cast<HRESULT>(0x8004022Du);
constexpr HRESULT VFW_S_DUPLICATE_NAME = static_cast<HRESULT>(0x0004022Du);
constexpr HRESULT VFW_E_TIMEOUT = static_cast<HRESULT>(0x8004022Eu);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = static_cast<HRESULT>(0x8004022Fu);
constexpr HRESULT VFW_E_ENUM_OUT_OF_RANGE = static_cast<HRESULT>(0x80040230u);
constexpr HRESULT VFW_E_CIRCULAR_GRAPH = static_cast<HRESULT>(0x80040231u);
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = static_cast<HRESULT>(0x00040237u);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = static_cast<HRESULT>(0x80040240u);
constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = static_cast<HRESULT>(0x80040241u);
constexpr HRESULT VFW_S_PARTIAL_RENDER = static_cast<HRESULT>(0x00040242u);
constexpr HRESULT VFW_E_FILE_TOO_SHORT = static_cast<HRESULT>(0x80040243u);
constexpr HRESULT VFW_E_INVALID_FILE_VERSION = static_cast<HRESULT>(0x80040244u);
constexpr HRESULT VFW_S_SOME_DATA_IGNORED = static_cast<HRESULT>(0x00040245u);
constexpr HRESULT VFW_S_CONNECTIONS_DEFERRED = static_cast<HRESULT>(0x00040246u);
constexpr HRESULT VFW_E_INVALID_CLSID = static_cast<HRESULT>(0x80040247u);
constexpr HRESULT VFW_E_INVALID_MEDIA_TYPE = static_cast<HRESULT>(0x80040248u);
constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = static_cast<HRESULT>(0x80040249u);
constexpr HRESULT VFW_S_RESOURCE_NOT_NEEDED = static_cast<HRESULT>(0x00040250u);
constexpr HRESULT VFW_E_MEDIA_TIME_NOT_SET = static_cast<HRESULT>(0x80040251u);
constexpr HRESULT VFW_E_NO_TIME_FORMAT_SET = static_cast<HRESULT>(0x80040252u);
constexpr HRESULT VFW_S_MEDIA_TYPE_IGNORED = static_cast<HRESULT>(0x00040254u);
constexpr HRESULT VFW_E_NO_DECOMPRESSOR = static_cast<HRESULT>(0x80040255u);
constexpr HRESULT VFW_E_NO_AUDIO_HARDWARE = static_cast<HRESULT>(0x80040256u);
constexpr HRESULT VFW_S_AUDIO_NOT_RENDERED = static_cast<HRESULT>(0x00040258u);
constexpr HRESULT VFW_E_UNSUPPORTED_AUDIO = static_cast<HRESULT>(0x8004025Cu);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = static_cast<HRESULT>(0x8004025Fu);
constexpr HRESULT VFW_S_ESTIMATED = static_cast<HRESULT>(0x00040260u);
constexpr HRESULT VFW_E_NO_TIME_FORMAT = static_cast<HRESULT>(0x80040261u);
constexpr HRESULT VFW_E_READ_ONLY = static_cast<HRESULT>(0x80040262u);
constexpr HRESULT VFW_E_BUFFER_UNDERFLOW = static_cast<HRESULT>(0x80040264u);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265u);
constexpr HRESULT VFW_E_NO_TRANSPORT = static_cast<HRESULT>(0x80040266u);
constexpr HRESULT VFW_S_STREAM_OFF = static_cast<HRESULT>(0x00040267u);
constexpr HRESULT VFW_S_CANT_CUE = static_cast<HRESULT>(0x00040268u);
constexpr HRESULT VFW_S_NO_STOP_TIME = static_cast<HRESULT>(0x00040270u);
constexpr HRESULT VFW_S_NO_MORE_ITEMS = static_cast<HRESULT>(0x00040103u);

// Application-defined: the Vorbis encoder refused the configured settings.
constexpr HRESULT E_VORBIS_SETTINGS_REJECTED = static_cast<HRESULT>(0x80080800u);

// Windows Media Format runtime results.
// The input format is not accepted (a WMA source whose reader offers PCM).
constexpr HRESULT NS_E_INVALID_INPUT_FORMAT = static_cast<HRESULT>(0xC00D0BBDu);
// A codec setting is not supported (variable bit rate enumeration on a codec without it).
constexpr HRESULT NS_E_UNSUPPORTED_PROPERTY = static_cast<HRESULT>(0xC00D0BCDu);

// Graph event codes (IMediaEventEx::GetEvent, IMediaEventSink::Notify).
constexpr int32_t EC_COMPLETE = 0x01;
constexpr int32_t EC_USERABORT = 0x02;
constexpr int32_t EC_ERRORABORT = 0x03;
constexpr int32_t EC_TIME = 0x04;
constexpr int32_t EC_REPAINT = 0x05;
constexpr int32_t EC_STREAM_ERROR_STOPPED = 0x06;
constexpr int32_t EC_STREAM_ERROR_STILLPLAYING = 0x07;
constexpr int32_t EC_ERROR_STILLPLAYING = 0x08;
constexpr int32_t EC_QUALITY_CHANGE = 0x0B;
constexpr int32_t EC_SHUTTING_DOWN = 0x0C;
constexpr int32_t EC_CLOCK_CHANGED = 0x0D;
constexpr int32_t EC_PAUSED = 0x0E;
constexpr int32_t EC_OPENING_FILE = 0x10;
constexpr int32_t EC_BUFFERING_DATA = 0x11;
constexpr int32_t EC_NEED_RESTART = 0x14;
constexpr int32_t EC_STARVATION = 0x17;
constexpr int32_t EC_END_OF_SEGMENT = 0x1C;
constexpr int32_t EC_SEGMENT_STARTED = 0x1D;
constexpr int32_t EC_LENGTH_CHANGED = 0x1E;
constexpr int32_t EC_DEVICE_LOST = 0x1F;
constexpr int32_t EC_SNDDEV_IN_ERROR = 0x200;
constexpr int32_t EC_SNDDEV_OUT_ERROR = 0x201;

}  // namespace tarnel
