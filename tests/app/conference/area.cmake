# The conference window's views and controllers, rendered offscreen; one test
# runs the program on a private Xvfb display and reads the screen with xcb
# (on a loaded machine its build, start and pictures take minutes).
set(AREA_LIBS xcb)
set(AREA_TIMEOUT 480)
if(TARGET quorix AND TARGET quorix_demo_room)
  set(AREA_PROGRAMS quorix quorix_demo_room quorix_demo_participant)
endif()
