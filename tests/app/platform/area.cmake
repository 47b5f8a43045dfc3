# The platform layers. The remote-input tests start their own Xvfb and switch
# its layout with setxkbmap (scripts/install-deps.sh); the X11 capture tests
# run Xvfb with openbox and helper windows. The damaged-model test loads the
# segmentation model a few thousand times, most of them cut short (cheap),
# a few dozen whole, which takes a minute or more in a sanitized build on a
# loaded machine.
set(AREA_LIBS PkgConfig::XCB)
set(AREA_TIMEOUT 300)
