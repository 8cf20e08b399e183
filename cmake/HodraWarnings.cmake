# Our own targets build with strict warnings, treated as errors.
function(hodra_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
