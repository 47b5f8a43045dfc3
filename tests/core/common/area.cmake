# The transfer-buffer thread and the logger are used from many threads: run
# under ThreadSanitizer too.
set(AREA_TSAN ON)
