# The platform layers. The remote-input tests start their own Xvfb and switch
# its layout with setxkbmap (scripts/install-deps.sh); the X libraries come
# with quorix_app. The segmentation model's tests run the whole model.
set(AREA_TIMEOUT 120)
