# The login: core bridge, LoginManager, room configuration, reconnection, and
# end-to-end logins through the loopback web service, conference server,
# relay and a real HTTP proxy, with a second client process in the room.
set(AREA_TIMEOUT 120)
set(AREA_PROGRAMS quorix_test_client)
