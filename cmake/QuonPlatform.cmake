# The platform a build is for (docs/conventions.md, "Platform files"). Each names the tags of the
# files it takes; a system the build does not know stops here rather than landing in another's.
#   win32  Windows
#   linux  Linux: the POSIX core and the Linux parts
#   posix  any other POSIX system, or Linux without its parts: the POSIX core alone
set(QUON_PLATFORM_TAGS_win32 win32)
set(QUON_PLATFORM_TAGS_linux posix linux)
set(QUON_PLATFORM_TAGS_posix posix)
set(QUON_PLATFORMS win32 linux posix)

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(quon_default_platform win32)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(quon_default_platform linux)
endif()
set(QUON_PLATFORM "${quon_default_platform}" CACHE STRING
    "Platform to build for: ${QUON_PLATFORMS}")
set_property(CACHE QUON_PLATFORM PROPERTY STRINGS ${QUON_PLATFORMS})

if(QUON_PLATFORM STREQUAL "")
  message(FATAL_ERROR "Quon has no platform for ${CMAKE_SYSTEM_NAME}. Configure with "
                      "-DQUON_PLATFORM=posix to build the POSIX core alone (standard baud rates, "
                      "no line-error counters, no port listing of the system's own), or add the "
                      "system to cmake/QuonPlatform.cmake")
elseif(NOT QUON_PLATFORM IN_LIST QUON_PLATFORMS)
  message(FATAL_ERROR "QUON_PLATFORM=${QUON_PLATFORM} is none of: ${QUON_PLATFORMS}")
elseif(WIN32 AND NOT QUON_PLATFORM STREQUAL "win32")
  message(FATAL_ERROR "QUON_PLATFORM=${QUON_PLATFORM} cannot build for Windows: it needs win32")
elseif(NOT WIN32 AND QUON_PLATFORM STREQUAL "win32")
  message(FATAL_ERROR "QUON_PLATFORM=win32 needs a Windows target (${CMAKE_SYSTEM_NAME} here)")
elseif(QUON_PLATFORM STREQUAL "linux" AND NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  message(FATAL_ERROR "QUON_PLATFORM=linux needs a Linux target (${CMAKE_SYSTEM_NAME} here)")
endif()
set(QUON_PLATFORM_TAGS ${QUON_PLATFORM_TAGS_${QUON_PLATFORM}})
if("posix" IN_LIST QUON_PLATFORM_TAGS)
  set(QUON_POSIX ON)
else()
  set(QUON_POSIX OFF)
endif()
message(STATUS "Platform: ${QUON_PLATFORM} (files tagged ${QUON_PLATFORM_TAGS})")

# quon_platform_sources(TARGET TAG FILE... [TAG FILE...]): the files under each tag the platform
# takes, such as quon_platform_sources(quon_host posix profile_posix.cpp win32 profile_win32.cpp).
function(quon_platform_sources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "${QUON_PLATFORMS}")
  foreach(tag IN LISTS QUON_PLATFORM_TAGS)
    if(arg_${tag})
      target_sources(${target} PRIVATE ${arg_${tag}})
    endif()
  endforeach()
endfunction()

# quon_platform_part(TARGET [TEST] NAME...): for each NAME, the platform's own NAME_PLATFORM.cpp
# (NAME_PLATFORM_test.cpp with TEST), where each system brings its own (NAME_win32.cpp,
# NAME_linux.cpp) and the POSIX core one for systems with POSIX alone (NAME_posix.cpp).
function(quon_platform_part target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "TEST" "" "")
  set(suffix "")
  if(arg_TEST)
    set(suffix "_test")
  endif()
  foreach(name IN LISTS arg_UNPARSED_ARGUMENTS)
    set(file ${name}_${QUON_PLATFORM}${suffix}.cpp)
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${file})
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${file} missing: each platform brings "
                          "its own ${name}")
    endif()
    target_sources(${target} PRIVATE ${file})
  endforeach()
endfunction()
