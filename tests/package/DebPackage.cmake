cmake_minimum_required(VERSION 3.25)
# Builds the Debian package with CPack from CONFIG into OUT and reads it back with dpkg-deb:
# its name, its files and its control fields.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CPACK} --config ${CONFIG} -B ${OUT}
                RESULT_VARIABLE code OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${log}")
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(deb ${OUT}/tarnel-audio-converter_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
  file(GLOB made ${OUT}/*.deb)
  message(FATAL_ERROR "no ${deb}; cpack made: ${made}")
endif()

set(problems)
execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE listing
                COMMAND_ERROR_IS_FATAL ANY)
set(expected
  usr/bin/tarnel-audio-converter
  usr/bin/tarnel-convert
  usr/lib/tarnel-audio-converter/libtarnel-ffmpeg.so
  usr/lib/tarnel-audio-converter/libtarnel-curl.so
  usr/lib/tarnel-audio-converter/libtarnel-vorbis.so
  usr/lib/tarnel-audio-converter/libtarnel-lame.so
  usr/lib/tarnel-audio-converter/libtarnel-mpg123.so
  usr/share/applications/${APP_ID}.desktop
  usr/share/metainfo/${APP_ID}.metainfo.xml
  usr/share/mime/packages/tarnel-audio-converter.xml
  usr/share/icons/hicolor/scalable/apps/tarnel-audio-converter.svg
  usr/share/tarnel-audio-converter/guide/index.html
  usr/share/man/man1/tarnel-convert.1.gz
  usr/share/man/man1/tarnel-audio-converter.1.gz
  usr/share/bash-completion/completions/tarnel-convert)
foreach(size 16 22 24 32 48 64 128 256 512)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/tarnel-audio-converter.png)
endforeach()
foreach(path IN LISTS expected)
  if(NOT listing MATCHES "[ \n]\\./${path}\n")
    list(APPEND problems "missing ${path}")
  endif()
endforeach()
# Everything lies under /usr, and nothing of the build or the tests comes along.
string(REGEX MATCHALL "\\./[^\n]*" paths "${listing}")
foreach(path IN LISTS paths)
  if(NOT path MATCHES "^\\./(usr/.*)?$" OR path MATCHES "test|fuzz|bench|\\.a$")
    list(APPEND problems "unexpected ${path}")
  endif()
endforeach()

# Control fields; the dependencies come from the binaries and the modules they open later.
foreach(field Package Version Architecture Depends Description Maintainer)
  execute_process(COMMAND dpkg-deb --field ${deb} ${field} OUTPUT_VARIABLE value
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(field_${field} "${value}")
endforeach()
foreach(check "Package=tarnel-audio-converter" "Version=${VERSION}" "Architecture=${arch}")
  string(REPLACE "=" ";" pair ${check})
  list(GET pair 0 field)
  list(GET pair 1 want)
  if(NOT field_${field} STREQUAL want)
    list(APPEND problems "${field} is '${field_${field}}', not '${want}'")
  endif()
endforeach()
foreach(library libc6 libqt6widgets6 libqt6svg6 libmp3lame0 libvorbisenc2 libmpg123-0
                libsqlite3-0 libgsf-1-114 libsdl2-2.0-0 libavcodec59 libavformat59
                libswresample4 libcurl4)
  if(NOT field_Depends MATCHES "(^|, )${library}( |,|$)")
    list(APPEND problems "Depends lacks ${library}: ${field_Depends}")
  endif()
endforeach()
if(NOT field_Description MATCHES "^[^\n]+\n .+")
  list(APPEND problems "Description has no summary and long text: ${field_Description}")
endif()

if(problems)
  string(JOIN "\n  " report ${problems})
  message(FATAL_ERROR "${deb}:\n  ${report}")
endif()
message(STATUS "${deb}: ${field_Depends}")
