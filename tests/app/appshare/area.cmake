# Application sharing's sharer: the state table on a fake desktop, the
# sharing menu offscreen, and tests on a private Xvfb with openbox and helper
# windows (xclock) that read the screen with xcb.
set(AREA_LIBS PkgConfig::XCB)
set(AREA_TIMEOUT 240)
