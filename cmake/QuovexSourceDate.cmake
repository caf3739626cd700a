# The time the sources were last changed, in seconds since 1970, which the
# builds stamp into what they make so that the same sources give the same
# bytes: SOURCE_DATE_EPOCH when set, else the last commit's time, else, in a
# tree without git (a source archive), the date of the changelog's top entry.
# Included, it sets QUOVEX_SOURCE_DATE; run as "cmake -P" (scripts/release
# does), it prints it.
set(source_dir ${CMAKE_CURRENT_LIST_DIR}/..)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(QUOVEX_SOURCE_DATE $ENV{SOURCE_DATE_EPOCH})
elseif(EXISTS ${source_dir}/.git)
  find_package(Git REQUIRED QUIET)
  execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                  WORKING_DIRECTORY ${source_dir} OUTPUT_VARIABLE QUOVEX_SOURCE_DATE
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
else()
  # " -- NAME <ADDRESS>  Tue, 08 Dec 2026 00:00:00 +0000", as Debian writes it.
  file(STRINGS ${source_dir}/resources/debian/changelog trailer REGEX "^ -- " LIMIT_COUNT 1)
  if(NOT trailer MATCHES ", ([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ([0-9]+):([0-9]+):([0-9]+) ([-+])([0-9][0-9])([0-9][0-9])$")
    message(FATAL_ERROR "no date in the changelog's top entry: ${trailer}")
  endif()
  set(day ${CMAKE_MATCH_1})
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(FIND months ${CMAKE_MATCH_2} month)
  set(year ${CMAKE_MATCH_3})
  math(EXPR seconds "${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6}")
  math(EXPR offset "${CMAKE_MATCH_7}1 * (${CMAKE_MATCH_8} * 3600 + ${CMAKE_MATCH_9} * 60)")
  # Days since 1970-01-01 of a civil date, counting years and months (from
  # 0) from March, so that the leap day ends a year.
  if(month LESS 2)
    math(EXPR year "${year} - 1")
    math(EXPR month "${month} + 10")
  else()
    math(EXPR month "${month} - 2")
  endif()
  math(EXPR days "${year} * 365 + ${year} / 4 - ${year} / 100 + ${year} / 400
                  + (153 * ${month} + 2) / 5 + ${day} - 1 - 719468")
  math(EXPR QUOVEX_SOURCE_DATE "${days} * 86400 + ${seconds} - ${offset}")
endif()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${QUOVEX_SOURCE_DATE})
endif()
