# The settings window on fake device lists and a temporary configuration
# folder, rendered offscreen.
set(AREA_TIMEOUT 120)
