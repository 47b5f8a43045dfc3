# The conference data the session writes and windows read: participant lists,
# text-box lines, message threads and the questionnaire, appended on core
# threads while windows read them. Runs under ThreadSanitizer too, built from
# the model folder and the main queue alone.
set(AREA_TSAN ON)
set(AREA_APP_SOURCES "model/*.cpp" "platform/Dispatch.cpp" "platform/NotificationCenter.cpp")
