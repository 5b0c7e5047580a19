# Project-wide compiler warnings. RECMORPH_WERROR (on under CI) turns them into errors.
option(RECMORPH_WERROR "Treat compiler warnings as errors" OFF)

function(recmorph_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(RECMORPH_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
