# End-to-end logins against the loopback conference server and relay, in this
# process and with helper client processes; threaded, so also under TSan. A
# loaded machine fills and drains the sharing connection slowly (minutes under
# ThreadSanitizer): the tests wait while it comes.
set(AREA_TSAN ON)
set(AREA_TIMEOUT 900)
