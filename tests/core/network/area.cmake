# Stream threads of the connections: run under ThreadSanitizer too.
set(AREA_TSAN ON)
