# Our own code builds warning-free; third-party headers come in as system headers.
function(vandrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
