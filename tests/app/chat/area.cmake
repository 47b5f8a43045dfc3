# The chat models: text-box lines, message threads and the questionnaire,
# appended on core threads while windows read them. Runs under
# ThreadSanitizer too, built from the chat folder alone.
set(AREA_TSAN ON)
set(AREA_APP_SOURCES "chat/*.cpp" "conference/UserInfo.cpp")
