# Builds the image again, from the same sources in a fresh folder, and
# requires the very same bytes.
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}" -G "${GENERATOR}"
          "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}" "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}"
          -DBUILD_TESTING=OFF
  OUTPUT_QUIET
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}" --target quovex
  OUTPUT_QUIET
  COMMAND_ERROR_IS_FATAL ANY)

get_filename_component(name "${IMAGE}" NAME)
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E compare_files "${IMAGE}" "${WORK_DIR}/${name}"
  RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "a second build gave a different image: ${WORK_DIR}/${name}")
endif()
message(STATUS "a second build gave the same ${name}, byte for byte")
file(REMOVE_RECURSE "${WORK_DIR}")
