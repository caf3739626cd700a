# What the tests need beyond a compiler. The program builds without any of
# it: a plain configure leaves out each test whose tool is missing and names
# them once, with the packages that bring them. The presets set
# QUOVEX_REQUIRE_TEST_TOOLS, so there a missing tool stops the configure.

# quovex_test_tool(FOUND TESTS PACKAGE): when FOUND is false, stops or notes
# TESTS as left out for want of PACKAGE.
function(quovex_test_tool found tests package)
  if(found)
    return()
  elseif(QUOVEX_REQUIRE_TEST_TOOLS)
    message(FATAL_ERROR "Missing ${package}, for ${tests}")
  endif()
  set_property(GLOBAL APPEND PROPERTY QUOVEX_LEFT_OUT "${tests} (install ${package})")
endfunction()

function(quovex_report_left_out_tests)
  get_property(left_out GLOBAL PROPERTY QUOVEX_LEFT_OUT)
  if(left_out)
    list(JOIN left_out "; " text)
    message(STATUS "Tests left out: ${text}")
  endif()
endfunction()

# quovex_find_python(MODULE FOUND): finds the interpreter of the image checks,
# which read the images with one of Debian's Python modules, and sets FOUND
# when it imports MODULE. Those modules load in the system's own interpreter,
# so that one comes first, ahead of any that pyenv or a virtual environment
# puts on the PATH; -DPython3_EXECUTABLE=... names another.
macro(quovex_find_python module found)
  set(Python3_ROOT_DIR /usr)
  set(Python3_FIND_VIRTUALENV STANDARD)
  find_package(Python3 COMPONENTS Interpreter)
  set(${found} FALSE)
  if(Python3_Interpreter_FOUND)
    execute_process(COMMAND ${Python3_EXECUTABLE} -c "import ${module}"
                    RESULT_VARIABLE missing OUTPUT_QUIET ERROR_QUIET)
    if(NOT missing)
      set(${found} TRUE)
    endif()
  endif()
endmacro()

# quovex_find_gtest(FOUND): finds GoogleTest for the tests built on it, and
# sets FOUND when there is one. A cross build makes it for its target from
# Debian's sources, whose warnings are not the project's to make errors, and
# without optimisation or debug information: nothing of it is under test,
# and that halves the time its one large file takes.
macro(quovex_find_gtest found)
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(GTest)
    set(${found} "${GTest_FOUND}")
    quovex_test_tool("${${found}}" "the unit and POSIX layer tests" libgtest-dev)
  else()
    set(${found} FALSE)
    if(EXISTS /usr/src/googletest/CMakeLists.txt)
      block()
        set(INSTALL_GTEST OFF)
        set(CMAKE_COMPILE_WARNING_AS_ERROR OFF)
        add_subdirectory(/usr/src/googletest ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        target_compile_options(gtest PRIVATE -O0 -g0)
      endblock()
      set(${found} TRUE)
    endif()
    quovex_test_tool("${${found}}" "the unit and POSIX layer tests" googletest)
  endif()
endmacro()
