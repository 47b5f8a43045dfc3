if(QUORIX_SANITIZE STREQUAL "address")
  # No vptr check: libraries built without the sanitizer (JavaScriptCore under
  # libproxy's PAC runner) bind to the instrumented copies of the standard
  # library's shared-pointer code in our programs, whose check then reads their
  # objects as invalid.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize=vptr -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(QUORIX_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT QUORIX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "QUORIX_SANITIZE must be '', 'address' or 'thread'")
endif()
