# The window tests give the desktop's address opener a receiver with a slot.
set(CMAKE_AUTOMOC ON)
