function(kelm_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow=local -Wnon-virtual-dtor
                                           -Wno-missing-field-initializers)
  if(KELM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
