# The login: core bridge, LoginManager, room configuration, reconnection, and
# end-to-end logins through the loopback web service, conference server,
# relay and a real HTTP proxy.
set(AREA_TIMEOUT 120)
