# quovex_find_python(MODULE PACKAGE): finds the interpreter of the image
# checks, which read the images with Debian's Python modules (PACKAGE, whose
# MODULE they import). Those load in the system's own interpreter, so that
# one comes first, ahead of any that pyenv or a virtual environment puts on
# the PATH; -DPython3_EXECUTABLE=... names another.
macro(quovex_find_python module package)
  set(Python3_ROOT_DIR /usr)
  set(Python3_FIND_VIRTUALENV STANDARD)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  execute_process(COMMAND ${Python3_EXECUTABLE} -c "import ${module}"
                  RESULT_VARIABLE missing OUTPUT_QUIET ERROR_QUIET)
  if(missing)
    message(FATAL_ERROR "${Python3_EXECUTABLE} cannot import ${module}: install ${package}")
  endif()
endmacro()
