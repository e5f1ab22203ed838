# cmake -DBUILD_DIR=... -DNAME=pellora-<version>-windows-x64 -DPROGRAMS=a.exe;b.exe -DSTRIP=<strip>
#       -DREADME=readme.txt -DVERSION=<version> -DLICENSES=Name=file;... -P MakeZip.cmake
# Stages the zip's folder in BUILD_DIR and zips it: the programs at the top,
# then the read-me and licenses/<Name>.txt for each notice, as Notepad reads
# them on any Windows (UTF-8 with a byte-order mark, CR LF).
cmake_policy(VERSION 3.25)
set(stage "${BUILD_DIR}/${NAME}")
file(REMOVE_RECURSE "${stage}" "${BUILD_DIR}/${NAME}.zip")
file(MAKE_DIRECTORY "${stage}/licenses")
# Without their symbols, which the build folder's copies keep for debugging.
foreach(program IN LISTS PROGRAMS)
  file(COPY "${program}" DESTINATION "${stage}")
  get_filename_component(name "${program}" NAME)
  execute_process(COMMAND "${STRIP}" --strip-all "${stage}/${name}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot strip ${name}")
  endif()
endforeach()

string(ASCII 239 187 191 bom)
function(write_for_notepad source target)
  file(READ "${source}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
  file(WRITE "${target}" "${bom}${text}")
endfunction()
write_for_notepad("${README}" "${stage}/readme.txt")
foreach(entry IN LISTS LICENSES)
  string(REGEX MATCH "^[^=]*" name "${entry}")
  string(REGEX REPLACE "^[^=]*=" "" file "${entry}")
  write_for_notepad("${file}" "${stage}/licenses/${name}.txt")
endforeach()

# The zip holds the folder itself, so it unpacks into one folder.
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${NAME}.zip" --format=zip "${NAME}"
                WORKING_DIRECTORY "${BUILD_DIR}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot make ${NAME}.zip")
endif()
