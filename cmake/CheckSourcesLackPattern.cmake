# Fails when a source file below DIRS has a line matching PATTERN.
#   cmake -DDIRS=a;b -DPATTERN=regex [-DONLY_IN=regex] -DWHAT=text -P CheckSourcesLackPattern.cmake
# ONLY_IN limits the check to files with a line matching it; WHAT names the
# fault in the message.
set(offenders "")  # one line per hit
foreach(dir IN LISTS DIRS)
  file(GLOB_RECURSE files ${dir}/*.h ${dir}/*.cpp)
  foreach(f IN LISTS files)
    if(ONLY_IN)
      file(STRINGS ${f} scope REGEX "${ONLY_IN}")
      if(NOT scope)
        continue()
      endif()
    endif()
    file(STRINGS ${f} hits REGEX "${PATTERN}")
    foreach(hit IN LISTS hits)
      string(STRIP "${hit}" hit)
      string(APPEND offenders "\n${f}: ${hit}")
    endforeach()
  endforeach()
endforeach()
if(offenders)
  message(FATAL_ERROR "${WHAT}:${offenders}")
endif()
message(STATUS "no ${WHAT}")
