function(kelm_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow=local -Wnon-virtual-dtor
                                           -Wno-missing-field-initializers)
  if(WIN32)
    # The system's COM interfaces have no virtual destructor by design (objects
    # delete themselves in Release); the native build keeps the check for ours.
    target_compile_options(${target} PRIVATE -Wno-non-virtual-dtor)
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 warns wrongly of overlapping copies in std::string's operator+
    # once it is inlined (GCC bug 105329); later compilers keep the check.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(KELM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
