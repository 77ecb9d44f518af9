# Script mode: the preset files beside the DLL (WINDOWS_DIR) are the Linux
# build's (LINUX_DIR), file for file and byte for byte: a program file per
# preset and the bank.
cmake_minimum_required(VERSION 3.25)
file(GLOB linux RELATIVE ${LINUX_DIR} ${LINUX_DIR}/*.fxp ${LINUX_DIR}/*.fxb)
file(GLOB windows RELATIVE ${WINDOWS_DIR} ${WINDOWS_DIR}/*.fxp ${WINDOWS_DIR}/*.fxb)
list(SORT linux)
list(SORT windows)
list(LENGTH windows count)
if(NOT count EQUAL 17)
  message(FATAL_ERROR "${WINDOWS_DIR} holds ${count} preset files, not 16 programs and a bank: ${windows}")
endif()
if(NOT linux STREQUAL windows)
  message(FATAL_ERROR "the preset files differ: Linux '${linux}', Windows '${windows}'")
endif()
foreach(name IN LISTS windows)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${LINUX_DIR}/${name} ${WINDOWS_DIR}/${name}
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${name} differs from the Linux build's")
  endif()
endforeach()
message(STATUS "${count} preset files beside the DLL, as in the Linux build")
