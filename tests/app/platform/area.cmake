# The remote-input tests start their own Xvfb and switch its layout with
# setxkbmap (scripts/install-deps.sh); the X libraries come with quorix_app.
set(AREA_TIMEOUT 60)
