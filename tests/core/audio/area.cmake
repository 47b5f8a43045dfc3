# The jitter queues and the mixer run threads of their own.
set(AREA_TSAN ON)
