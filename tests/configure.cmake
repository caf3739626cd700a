# The build's own choices, each from a fresh configure of these sources in a
# folder of its own (label "configure"): a plain configure leaves out the
# exhaustive check, and without GoogleTest and with an interpreter that
# cannot import Debian's modules names the tests it leaves out; the presets
# make warnings errors and require those tools, but for the run preset, which
# has no tests. And the release-full test preset runs the full suite, not the
# quick one: checked with the quick suite, as a wrong filter would run no
# full test at all.
set(scratch ${CMAKE_CURRENT_BINARY_DIR}/configure)
file(WRITE ${scratch}/python3 "#!/bin/sh\nexec /usr/bin/python3 -S \"$@\"\n")
file(CHMOD ${scratch}/python3 PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(no_tools -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DPython3_EXECUTABLE=${scratch}/python3)
set(configure ${CMAKE_COMMAND} --fresh -G ${CMAKE_GENERATOR} -S ${PROJECT_SOURCE_DIR})

add_test(NAME configure.plain
  COMMAND ${CMAKE_CTEST_COMMAND} --build-and-test ${PROJECT_SOURCE_DIR} ${scratch}/plain
          --build-generator ${CMAKE_GENERATOR} --build-noclean --build-target quovex --build-options --fresh
          --test-command ${CMAKE_CTEST_COMMAND} --test-dir ${scratch}/plain -N -L exhaustive)
add_test(NAME configure.plain_without_tools COMMAND ${configure} -B ${scratch}/no-tools ${no_tools})
add_test(NAME configure.presets_without_tools
  COMMAND ${configure} --preset release -B ${scratch}/preset-no-tools ${no_tools})
add_test(NAME configure.run_without_tools COMMAND ${configure} --preset run -B ${scratch}/run ${no_tools})
add_test(NAME configure.full_suite
  COMMAND ${CMAKE_CTEST_COMMAND} --preset release-full -N --test-dir ${PROJECT_BINARY_DIR}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(configure.plain PROPERTIES PASS_REGULAR_EXPRESSION "Total Tests: 0\n")
set_tests_properties(configure.plain_without_tools PROPERTIES FAIL_REGULAR_EXPRESSION "Configuring incomplete"
  PASS_REGULAR_EXPRESSION "Tests left out:[^\n]*python3-pyelftools[^\n]*libgtest-dev")
set_tests_properties(configure.presets_without_tools PROPERTIES
  PASS_REGULAR_EXPRESSION "CMAKE_COMPILE_WARNING_AS_ERROR=\"ON\".*Missing")
set_tests_properties(configure.run_without_tools PROPERTIES FAIL_REGULAR_EXPRESSION "Configuring incomplete")
set_tests_properties(configure.full_suite PROPERTIES LABELS configure
  PASS_REGULAR_EXPRESSION "IntToDecimalExhaustive" FAIL_REGULAR_EXPRESSION ": process\n")
set_tests_properties(configure.plain configure.plain_without_tools configure.presets_without_tools
  configure.run_without_tools PROPERTIES LABELS "configure;full")
