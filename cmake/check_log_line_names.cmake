# cmake -DLOG_LINES=BUILD/log_lines.sh -DROOT=SOURCE -P check_log_line_names.cmake
# Fails when a suite asks for a log line that the lists do not define (LOG["NAME"] in Python,
# $LOG_NAME in shell), which would otherwise show only where that suite runs: in a virtual
# machine, under Wine, in a benchmark.
cmake_minimum_required(VERSION 3.25)
file(STRINGS ${LOG_LINES} defined REGEX "^LOG_")
list(TRANSFORM defined REPLACE "^LOG_([A-Za-z0-9]+)=.*" "\\1")
file(GLOB suites ${ROOT}/scripts/*.sh ${ROOT}/scripts/*.py ${ROOT}/bench/*.sh ${ROOT}/bench/*.py
     ${ROOT}/serial/tests/real_drivers/*.py ${ROOT}/packaging/tests/*.py
     ${ROOT}/packaging/tests/guest-shell)
set(unknown "")
foreach(file IN LISTS suites)
  file(READ ${file} content)
  string(REGEX MATCHALL "LOG\\[\"[A-Za-z0-9]+\"\\]|\\$\\{?LOG_[A-Za-z0-9]+" uses "${content}")
  list(TRANSFORM uses REPLACE "^[\\$\\{]*LOG(\\[\"|_)([A-Za-z0-9]+).*" "\\2")
  list(REMOVE_DUPLICATES uses)
  foreach(name IN LISTS uses)
    if(NOT name IN_LIST defined)
      list(APPEND unknown "${file}: ${name}")
    endif()
  endforeach()
endforeach()
if(unknown)
  list(JOIN unknown "\n" unknown)
  message(FATAL_ERROR "log lines used but not defined:\n${unknown}")
endif()
