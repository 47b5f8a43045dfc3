# The key-exchange tests run a loopback peer on its own thread.
set(AREA_TSAN ON)
