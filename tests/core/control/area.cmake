# The conference connection runs send and receive threads: run under TSan too.
set(AREA_TSAN ON)
