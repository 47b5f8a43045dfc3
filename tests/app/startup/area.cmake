# Start-up: the program itself (single instance, launch links from the
# command line, the display-sleep inhibit, sleep and wake) against the
# loopback web service, conference server and relay, a fake screen saver on a
# private session bus and a stand-in for logind on a bus of its own.
set(AREA_TIMEOUT 180)
# The program the tests start.
cmake_language(DEFER CALL add_dependencies test_app_startup quorix)
