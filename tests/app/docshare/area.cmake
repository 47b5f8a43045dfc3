# The window tests give the desktop's address opener a receiver with a slot.
set(CMAKE_AUTOMOC ON)
# Office documents are converted by LibreOffice, which takes its time on a
# loaded machine.
set(AREA_TIMEOUT 400)
# The end-to-end test runs conference windows with document sharing as
# processes (quorix_docshare_client, one core each) on the loopback peers.
if(TARGET quorix_app)
  if(NOT TARGET quorix_docshare_client)
    add_executable(quorix_docshare_client ${PROJECT_SOURCE_DIR}/tests/fixtures/app/programs/quorix_docshare_client.cpp)
    target_link_libraries(quorix_docshare_client PRIVATE quorix_app quorix_warnings)
  endif()
  set(AREA_PROGRAMS quorix_docshare_client)
endif()
