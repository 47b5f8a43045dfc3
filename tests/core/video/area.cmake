# The received-video queue runs a worker thread.
set(AREA_TSAN ON)
