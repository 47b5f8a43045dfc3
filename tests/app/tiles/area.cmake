# Video tiles, their controller, the level meter and the floating speaker
# window, rendered offscreen; timers run on the manual main queue.
set(AREA_TIMEOUT 60)
