# The participant list windows, offscreen; the end-to-end test runs three
# conference windows as processes (quorix_list_client, one core each) on the
# loopback conference server and relay.
set(AREA_TIMEOUT 180)
if(TARGET quorix_app)
  if(NOT TARGET quorix_list_client)
    add_executable(quorix_list_client ${PROJECT_SOURCE_DIR}/tests/fixtures/app/programs/quorix_list_client.cpp)
    target_link_libraries(quorix_list_client PRIVATE quorix_app quorix_warnings)
  endif()
  set(AREA_PROGRAMS quorix_list_client)
endif()
