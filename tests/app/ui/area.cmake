# Views, windows, menus and the alert windows, rendered offscreen; notices
# through a fake notification service on a private session bus.
set(AREA_TIMEOUT 60)
