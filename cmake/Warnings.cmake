# SPDX-License-Identifier: GPL-3.0-or-later
# morrow_set_warnings(<target>): the project's warning set on one target.
function(morrow_set_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
  if(MORROW_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
