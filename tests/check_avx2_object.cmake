# Script mode: lists the code symbols with external linkage that OBJECT (the
# object file of vocoder/staged_avx2.cpp, built with -mavx2) defines, with NM.
# Any beyond the AVX2 entry points fails: a weak copy of a shared inline
# function or template compiled for AVX2 may be the one the linker keeps for
# the whole library, which then crashes on processors without AVX2.
cmake_minimum_required(VERSION 3.25)
set(entryPoints "runStagedAvx2(" "bandStatesFiniteAvx2(")

if(NOT EXISTS "${OBJECT}")
  message(FATAL_ERROR "no object file '${OBJECT}' (is vocoder/staged_avx2.cpp still built for AVX2?)")
endif()
execute_process(COMMAND ${NM} --extern-only --defined-only --demangle ${OBJECT}
                OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} ${OBJECT} failed")
endif()

# "address type name": T code, W weak code (ELF), i indirect function.
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(found)
set(shared)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[0-9a-fA-F]* ?([TWi]) (.+)$")
    continue()
  endif()
  set(name "${CMAKE_MATCH_2}")
  set(entry FALSE)
  foreach(prefix IN LISTS entryPoints)
    string(FIND "${name}" "${prefix}" at)
    if(at EQUAL 0)
      set(entry TRUE)
      list(APPEND found "${prefix}")
    endif()
  endforeach()
  if(NOT entry)
    list(APPEND shared "${name}")
  endif()
endforeach()

if(shared)
  list(JOIN shared "\n  " names)
  message(FATAL_ERROR
    "vocoder/staged_avx2.cpp is compiled for AVX2 and defines code that other files may share:\n  ${names}\n"
    "The linker may keep these AVX2 copies for the whole library, which then crashes on processors "
    "without AVX2. Give the function internal linkage (a `namespace {}` or `static`), make sure it is "
    "inlined, or move the code that needs it out of the AVX2 file.")
endif()
list(REMOVE_DUPLICATES found)
list(LENGTH found count)
list(LENGTH entryPoints wanted)
if(NOT count EQUAL wanted)
  message(FATAL_ERROR "the entry points ${entryPoints} are not all defined in ${OBJECT} (found: ${found})")
endif()
message(STATUS "${OBJECT}: only the AVX2 entry points have external linkage")
