# The playback tests record the null output's monitor with the simple API,
# independently of the stream layer under test.
pkg_check_modules(PULSE_SIMPLE REQUIRED IMPORTED_TARGET libpulse-simple)
set(AREA_LIBS PkgConfig::PULSE_SIMPLE)
set(AREA_TIMEOUT 60)
