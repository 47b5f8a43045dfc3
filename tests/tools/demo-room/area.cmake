# The demo room (tools/demo-room): its launch links read by the client's parser,
# and the program started with a core client process logged in through its link.
set(AREA_PROGRAMS quorix_demo_room quorix_demo_participant quorix_test_client)
set(AREA_LIBS quorix_demo_room_parts)
set(AREA_TIMEOUT 120)
