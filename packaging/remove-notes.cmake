# Run by CPack on the staged files before it packs them: takes the .comment
# and .note sections out of every ELF file, as Debian's dh_strip does.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK ${file})
    continue()
  endif()
  file(READ ${file} magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(
      COMMAND ${CPACK_QUILLON_STRIP} --remove-section=.comment --remove-section=.note ${file}
      RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "cannot strip ${file}")
    endif()
  endif()
endforeach()
