# cmake -DPROGRAM=<pellora-cli> -DSOURCES=<src folder> -P EngineWithoutQt.cmake
# Fails when the command line needs a Qt library at run time, or when a source
# of the engine or the command line includes a Qt header.
file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES "${PROGRAM}"
  RESOLVED_DEPENDENCIES_VAR resolved
  UNRESOLVED_DEPENDENCIES_VAR unresolved)
foreach(library IN LISTS resolved unresolved)
  get_filename_component(name "${library}" NAME)
  if(name MATCHES "^libQt")
    message(FATAL_ERROR "${PROGRAM} loads ${library}")
  endif()
endforeach()
list(LENGTH resolved count)
if(count EQUAL 0)
  message(FATAL_ERROR "no libraries found for ${PROGRAM}: the check would prove nothing")
endif()

file(GLOB_RECURSE sources "${SOURCES}/*.h" "${SOURCES}/*.cpp")
foreach(source IN LISTS sources)
  if(source MATCHES "/src/ui/")
    continue()
  endif()
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*<Q")
  if(includes)
    message(FATAL_ERROR "${source} includes Qt: ${includes}")
  endif()
endforeach()
message(STATUS "${count} libraries, none of them Qt; no Qt header outside src/ui")
