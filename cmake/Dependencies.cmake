# Every external library comes from Debian's -dev packages (scripts/install-deps.sh).
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

# Core: codecs and JSON.
pkg_check_modules(JSONC REQUIRED IMPORTED_TARGET json-c)
pkg_check_modules(OPUS REQUIRED IMPORTED_TARGET opus)
pkg_check_modules(SPEEXDSP REQUIRED IMPORTED_TARGET speexdsp)
pkg_check_modules(X264 REQUIRED IMPORTED_TARGET x264)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavcodec libavutil libswresample)
pkg_check_modules(LIBJPEG REQUIRED IMPORTED_TARGET libjpeg)
# Shared-screen rectangles: the TurboJPEG interface (bounded output, per-handle state).
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
# libgsm ships no pkg-config file.
find_path(GSM_INCLUDE_DIR gsm.h PATH_SUFFIXES gsm REQUIRED)
find_library(GSM_LIBRARY gsm REQUIRED)
add_library(quorix_gsm INTERFACE)
target_include_directories(quorix_gsm INTERFACE ${GSM_INCLUDE_DIR})
target_link_libraries(quorix_gsm INTERFACE ${GSM_LIBRARY})

if(QUORIX_BUILD_APP)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus Network)
  pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
  pkg_check_modules(LIBPROXY REQUIRED IMPORTED_TARGET libproxy-1.0)
  pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
  pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
  # Camera capture: libv4l2 converts every camera format to packed RGB.
  pkg_check_modules(LIBV4L2 REQUIRED IMPORTED_TARGET libv4l2)
  pkg_check_modules(POPPLER_QT6 REQUIRED IMPORTED_TARGET poppler-qt6)
  # Local recordings: MPEG-4 and QuickTime files, pictures scaled to the recording size.
  pkg_check_modules(RECORDING_AV REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswscale libswresample)
endif()

if(QUORIX_BUILD_TESTS)
  find_package(GTest REQUIRED)
  find_package(OpenSSL REQUIRED)   # independent oracle for the crypto tests only
  include(GoogleTest)
endif()
if(QUORIX_BUILD_TOOLS)
  find_package(OpenSSL REQUIRED)   # the loopback peers' own key derivation (tests/fixtures)
endif()
if(QUORIX_BUILD_BENCH)
  find_package(benchmark REQUIRED)
  find_package(OpenSSL REQUIRED)   # reference figures beside our own cipher
endif()
