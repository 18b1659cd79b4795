# Our own targets compile warning-free: warnings are errors.
function(kalvorin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
