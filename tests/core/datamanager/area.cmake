# Frames and key frames reach the sharing encoder from two threads: run under
# ThreadSanitizer too.
set(AREA_TSAN ON)
