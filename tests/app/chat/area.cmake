# The chat windows offscreen; the end-to-end test runs two conference windows
# as processes (quorix_chat_client, one core each) on the loopback conference
# server and relay.
set(AREA_TIMEOUT 180)
if(TARGET quorix_app)
  if(NOT TARGET quorix_chat_client)
    add_executable(quorix_chat_client ${PROJECT_SOURCE_DIR}/tests/fixtures/app/programs/quorix_chat_client.cpp)
    target_link_libraries(quorix_chat_client PRIVATE quorix_app quorix_warnings)
  endif()
  set(AREA_PROGRAMS quorix_chat_client)
endif()
