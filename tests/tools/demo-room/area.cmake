# The demo room (tools/demo-room) started as a program, with a core client
# process logged in through the link it writes.
set(AREA_PROGRAMS quorix_demo_room quorix_demo_participant quorix_test_client)
set(AREA_TIMEOUT 120)
