# orbek-station --record on the built-in simulated controller, ended by its screenshot mode
# (start-up, then Quit): the recording names the simulated line and replays, on virtual time
# and live, with its orders and event list. A file in a folder that does not exist is refused
# before the station starts.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{XDG_CONFIG_HOME} ${WORK}/config)
file(WRITE ${WORK}/config/orbek-station/Name.inc "\"tulip\"\r\n\"juniper\"\r\n")

execute_process(COMMAND ${STATION} --simulate --base ${WORK}/Station
                        --record ${WORK}/missing/session.scenario
                RESULT_VARIABLE refused ERROR_VARIABLE why)
if(NOT refused EQUAL 2 OR NOT why MATCHES "cannot record to")
  message(FATAL_ERROR "a recording in a missing folder was not refused (${refused}): ${why}")
endif()

set(ENV{ORBEK_SCREENSHOT} ${WORK}/station.png)
execute_process(COMMAND ${STATION} --simulate --speed 20 --base ${WORK}/Station
                        --record ${WORK}/session.scenario
                RESULT_VARIABLE ran ERROR_VARIABLE said TIMEOUT 60)
unset(ENV{ORBEK_SCREENSHOT})
file(READ ${WORK}/session.scenario recording)
foreach(line "       0 port simulated" "       0 start" " end")
  string(FIND "${recording}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the recording lacks \"${line}\" (${ran}: ${said}):\n${recording}")
  endif()
endforeach()
file(READ ${WORK}/session.scenario.base/user/Name.inc words)
if(NOT words MATCHES "tulip")
  message(FATAL_ERROR "the access words were not saved beside the recording")
endif()

foreach(mode virtual live)
  set(options)
  if(mode STREQUAL live)
    set(options --live --speed 4)
  endif()
  execute_process(COMMAND ${REPLAY} ${options} --check-recording ${WORK}/session.scenario
                  RESULT_VARIABLE checked OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT checked EQUAL 0)
    message(FATAL_ERROR "the ${mode} replay differs (${checked}):\n${out}${err}\n${recording}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
