# The Debian package: `cpack` in a build folder writes
# tarnel-audio-converter_<version>_<arch>.deb from the install rules (prefix /usr).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnel-audio-converter)
set(CPACK_PACKAGE_VENDOR "Tarnel Solutions")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert WMA, MP3, Ogg Vorbis and WAV audio files")
# Debian wraps nothing: one line of the long description per list item.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tarnel Audio Converter collects audio files in a list and converts the ticked"
  "ones, one after another, into WMA, MP3, Ogg Vorbis or WAV (PCM, IMA ADPCM,"
  "MS ADPCM, A-law, u-law or GSM 6.10) beside their sources, with the encoder"
  "settings it keeps for every format. Conversion sessions are saved as .qzconv"
  "files, which the file manager opens with the program, and listed files can"
  "be previewed."
  "."
  "The package holds the desktop program tarnel-audio-converter and the"
  "command-line converter tarnel-convert, which shares its settings.")
set(TARNEL_PACKAGE_MAINTAINER "Tarnel Solutions <packages@tarnel-audio.invalid>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${TARNEL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Run-time libraries from the binaries and the modules opened later (FFmpeg, libcurl).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop's caches are refreshed by the file triggers of desktop-file-utils
# (/usr/share/applications), shared-mime-info (/usr/share/mime/packages) and
# hicolor-icon-theme (/usr/share/icons/hicolor); no maintainer scripts are needed. Wayland
# sessions use Qt's Wayland plugin where it is installed, XWayland otherwise.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "desktop-file-utils, shared-mime-info, hicolor-icon-theme, qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")

include(CPack)
