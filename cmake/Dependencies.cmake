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
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus Network WebEngineWidgets PrintSupport)
  # Saved page pictures in GIF (Qt has no GIF writer).
  find_package(GIF REQUIRED)
  pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
  pkg_check_modules(LIBPROXY REQUIRED IMPORTED_TARGET libproxy-1.0)
  pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
  pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
  # Camera capture: libv4l2 converts every camera format to packed RGB.
  pkg_check_modules(LIBV4L2 REQUIRED IMPORTED_TARGET libv4l2)
  pkg_check_modules(POPPLER_QT6 REQUIRED IMPORTED_TARGET poppler-qt6)
  # Remote input on X11: XTest posts the events, xkbcommon reads the keyboard
  # layout (through the X server's XKB extension) to find the keys; XInput 2
  # tells the user's keys from posted ones.
  pkg_check_modules(XKBCOMMON REQUIRED IMPORTED_TARGET xkbcommon xkbcommon-x11)
  pkg_check_modules(XCB_INPUT REQUIRED IMPORTED_TARGET xcb xcb-xtest xcb-xkb xcb-xinput)
  # The viewer's key conversion reads the keysyms of Unicode characters from
  # the X11 keysym definitions, generated into a table at build time.
  find_file(QUORIX_KEYSYMDEF_H X11/keysymdef.h REQUIRED)
  set(QUORIX_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
  add_custom_command(
    OUTPUT ${QUORIX_GENERATED_DIR}/platform/KeysymdefCharacters.inc
    COMMAND ${CMAKE_COMMAND} -DKEYSYMDEF=${QUORIX_KEYSYMDEF_H}
            -DOUTPUT=${QUORIX_GENERATED_DIR}/platform/KeysymdefCharacters.inc
            -P ${CMAKE_CURRENT_LIST_DIR}/GenerateKeysymPages.cmake
    DEPENDS ${QUORIX_KEYSYMDEF_H} ${CMAKE_CURRENT_LIST_DIR}/GenerateKeysymPages.cmake
    COMMENT "Keysyms of Unicode characters from keysymdef.h")
  add_custom_target(quorix_keysym_pages DEPENDS ${QUORIX_GENERATED_DIR}/platform/KeysymdefCharacters.inc)
  # The application library is made in app/, after this file: the input
  # libraries and the generated table are attached once it exists.
  function(quorix_attach_platform_input)
    if(TARGET quorix_app)
      add_dependencies(quorix_app quorix_keysym_pages)
      target_include_directories(quorix_app PRIVATE ${QUORIX_GENERATED_DIR})
      target_link_libraries(quorix_app PUBLIC PkgConfig::XKBCOMMON PkgConfig::XCB_INPUT)
    endif()
  endfunction()
  cmake_language(DEFER CALL quorix_attach_platform_input)
  # Screen capture, the window list and the running applications on X11.
  pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb xcb-shm xcb-xfixes xcb-randr xcb-ewmh xcb-icccm xcb-res)
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
