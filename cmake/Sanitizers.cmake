# RECMORPH_SANITIZE selects an instrumented build: "asan" (AddressSanitizer with UBSan) or "tsan".
set(RECMORPH_SANITIZE "" CACHE STRING "Sanitizer build: empty, asan or tsan")

if(RECMORPH_SANITIZE STREQUAL "asan")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(RECMORPH_SANITIZE STREQUAL "tsan")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT RECMORPH_SANITIZE STREQUAL "")
  message(FATAL_ERROR "RECMORPH_SANITIZE must be empty, asan or tsan")
endif()
