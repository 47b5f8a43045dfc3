# Start-up: the program itself (single instance, launch links from the
# command line, the display-sleep inhibit, sleep and wake) against the
# loopback web service, conference server and relay, a fake screen saver on a
# private session bus and a stand-in for logind on a bus of its own; and the
# running program's sound in the demo room on a private X display and a
# private PulseAudio server.
set(AREA_LIBS xcb)
set(AREA_TIMEOUT 420)
if(TARGET quorix_demo_room)
  set(AREA_PROGRAMS quorix_demo_room quorix_demo_participant)
endif()
# The program the tests start.
cmake_language(DEFER CALL add_dependencies test_app_startup quorix)
