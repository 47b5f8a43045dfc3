# Permissions: the table with its maxima and notices, the manager's commands,
# the permission window. The table runs under ThreadSanitizer too, built from
# its own sources and the main queue alone.
set(AREA_TSAN ON)
set(AREA_APP_SOURCES "permission/PermissionData.cpp" "permission/PermissionInfo.cpp"
    "permission/PermissionNotificator.cpp" "model/UserInfo.cpp" "platform/Dispatch.cpp"
    "platform/NotificationCenter.cpp")
set(AREA_TSAN_TESTS "PermissionInfoTest.cpp")
# The end-to-end test starts client processes on the loopback peers.
set(AREA_PROGRAMS quorix_test_client)
set(AREA_TIMEOUT 120)
