# End-to-end logins against the loopback conference server and relay, in this
# process and with helper client processes; threaded, so also under TSan. A
# loaded machine drains a shared picture slowly: the tests wait while it comes.
set(AREA_TSAN ON)
set(AREA_TIMEOUT 400)
