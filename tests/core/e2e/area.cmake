# End-to-end logins against the loopback conference server and relay, in this
# process and with helper client processes; threaded, so also under TSan.
set(AREA_TSAN ON)
set(AREA_TIMEOUT 180)
