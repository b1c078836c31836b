# Our own code builds warning-free; third-party headers come in as system headers.
#
# Warnings are always shown. They fail the build only with VANDREL_WERROR, which
# the test command (scripts/test, run by CI) turns on: there a new warning is a
# fault of ours to mend. A build made for use (a plain Release build, a
# distribution's) leaves it off, so a compiler's false alarm – GCC 12 reports
# -Wrestrict inside std::string at -O3 – cannot stop it.
option(VANDREL_WERROR "Treat compiler warnings in our code as errors" OFF)

function(vandrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VANDREL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
      # The -Wrestrict report inside libstdc++'s std::string is a known false
      # alarm of these versions at higher optimisation; it stays a warning.
      target_compile_options(${target} PRIVATE -Wno-error=restrict)
    endif()
  endif()
endfunction()
