# Threads, events and sockets: run under ThreadSanitizer too.
set(AREA_TSAN ON)
