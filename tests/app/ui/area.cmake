# Views, windows, menus and the alert windows, rendered offscreen; notices
# through a fake notification service on a private session bus.
set(AREA_TIMEOUT 60)
# Mouse and key events sent the way the window system sends them (QTest).
find_package(Qt6 REQUIRED COMPONENTS Test)
set(AREA_LIBS Qt6::Test)
