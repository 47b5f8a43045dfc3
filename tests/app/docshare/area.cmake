# The window tests give the desktop's address opener a receiver with a slot.
set(CMAKE_AUTOMOC ON)
# Office documents are converted by LibreOffice, which takes its time on a
# loaded machine.
set(AREA_TIMEOUT 400)
