# Remote settings: the manager, the windows, and an end-to-end test that
# starts a client process on the loopback peers.
set(AREA_PROGRAMS quorix_test_client)
set(AREA_TIMEOUT 180)
