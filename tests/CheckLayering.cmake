# Fails when a file outside src/platform includes SDL, POSIX or other
# operating-system headers.
file(GLOB_RECURSE _files ${SOURCE}/src/*.h ${SOURCE}/src/*.cpp ${SOURCE}/tools/*.cpp ${SOURCE}/tools/*.h
     ${SOURCE}/app/*.cpp)
set(_bad "")
foreach(_f ${_files})
    string(FIND "${_f}" "${SOURCE}/src/platform/" _pos)
    if(_pos EQUAL 0)
        continue()
    endif()
    file(STRINGS "${_f}" _lines REGEX "^[ \t]*#[ \t]*include[ \t]*<(SDL|unistd|fcntl|dirent|pthread|iconv|windows|sys/|ft2build|fontconfig|cpuid)")
    if(_lines)
        list(APPEND _bad "${_f}: ${_lines}")
    endif()
endforeach()
if(_bad)
    message(FATAL_ERROR "system headers outside src/platform:\n${_bad}")
endif()
