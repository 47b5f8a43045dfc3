# The platform layers. The remote-input tests start their own Xvfb and switch
# its layout with setxkbmap (scripts/install-deps.sh); the X libraries come
# with quorix_app. The segmentation model's tests run the whole model.
set(AREA_TIMEOUT 120)
# The X11 layers of application sharing are tested on a private Xvfb with
# openbox as window manager and the helper programs xclock and xeyes (x11-apps);
# text is copied with xclip. The tests make their own windows through xcb.
set(AREA_LIBS PkgConfig::XCB)
